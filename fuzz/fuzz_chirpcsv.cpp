// A CHIRP CSV export from any bytes: records start on rising lines; every imported channel is one
// the panel reads back exactly from its memory-file line and checks clean; replacing a bank puts
// exactly those channels there; export then import gives the same channels.
#include "chirpcsv.h"
#include "leadingnumber.h"
#include "memorycheck.h"
#include "memoryfile.h"
#include "options.h"
#include "steptable.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<ChannelFields> Fields(const std::vector<ImportedChannel> &channels)
{
    std::vector<ChannelFields> out;
    for (const ImportedChannel &c : channels)
        out.push_back(c.fields);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view csv(reinterpret_cast<const char *>(data), size);

    int line = 0;
    for (const CsvRow &row : ParseCsv(csv)) {
        Check(row.line > line);
        Check(!row.cells.empty());
        line = row.line;
    }

    const ChirpImport imported = ImportChirpCsv(csv);
    if (!imported.error.empty())
        Check(imported.channels.empty() && imported.skipped.empty());
    std::string bank;
    for (const ImportedChannel &c : imported.channels) {
        const ChannelFields &f = c.fields;
        const double mhz = LeadingNumber(f.frequency);
        Check(mhz >= 0.1 && mhz <= 1100.0);
        Check(f.name.size() <= 6 && f.name.find('=') == std::string::npos);
        Check(f.name.empty() || (f.name.front() != ' ' && f.name.back() != ' '));
        for (char ch : f.name)
            Check(static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7f);
        Check(ModeIndexForWord(f.mode) >= 0);
        Check(FilterIndexForCaption(f.filter) >= 0);
        Check(StepIndexForCaption(f.step) >= 0);
        const std::string memoryLine = FormatChannelLine(42, f);
        Check(ParseChannelFields(memoryLine) == f);
        bank += memoryLine + "\r\n";
    }
    if (imported.channels.empty())
        return 0;

    const ImportPlan plan = PlanImport(imported.channels, 42, false);
    Check(plan.banks.size() == 1 && plan.banks[0].channels.size() <= 32);
    Check(plan.banks[0].channels.size() + plan.leftOver.size() == imported.channels.size());
    const std::vector<ChannelFields> first = Fields(plan.banks[0].channels);
    // Written over a file around it, the bank reads back as written and checks clean.
    const std::string file = ReplaceBankLines(
        "; before\r\n MEMORY BANK #42 FREQUENCY=1\r\n\r\n; after\r\n", 42, first);
    std::string block;
    for (const ChannelFields &f : first)
        block += FormatChannelLine(42, f) + "\r\n";
    Check(file == "; before\r\n" + block + "\r\n; after\r\n");
    Check(LoadBank(file, BankName(42)) == first);
    Check(CheckMemoryFile(file).findings.empty());

    const ChirpExport exported = ExportChirpCsv(first);
    Check(exported.notes.empty());
    Check(exported.written == static_cast<int>(first.size()));
    const ChirpImport again = ImportChirpCsv(exported.csv);
    Check(again.error.empty() && again.skipped.empty());
    Check(Fields(again.channels) == first);
    return 0;
}
