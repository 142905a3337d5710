#include "memorytools.h"

#include "chirpcsv.h"
#include "memorycheck.h"
#include "memoryfile.h"
#include "replacefile.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <streambuf>
#include <string>

namespace {

constexpr int kExitClean = 0;
constexpr int kExitFindings = 1;
constexpr int kExitCannotRead = 2;
constexpr int kExitUsage = 2;

constexpr const char *kProgram = "qz-remote";

struct ToolSyntax
{
    std::string name;
    enum Value { None, Optional, Required } value;
    std::set<std::string> options; // the other options it takes
};

const std::vector<ToolSyntax> kTools {
    {"check-memory", ToolSyntax::Optional, {}},
    {"import-chirp", ToolSyntax::Required, {"bank", "output", "spill"}},
    {"export-chirp", ToolSyntax::None, {"bank", "output", "memory"}},
};

const std::set<std::string> kValueOptions {"bank", "output", "memory"};

struct Arguments
{
    const ToolSyntax *tool = nullptr;
    std::optional<std::string> toolValue;
    std::map<std::string, std::string> values;
    bool spill = false;
    std::string problem;
};

const ToolSyntax *ToolNamed(const std::string &name)
{
    for (const ToolSyntax &tool : kTools) {
        if (tool.name == name)
            return &tool;
    }
    return nullptr;
}

// "--name" or "--name=value": the name, and the value when one is attached.
std::string OptionName(const std::string &argument)
{
    if (argument.rfind("--", 0) != 0)
        return {};
    return argument.substr(
        2, argument.find('=') == std::string::npos ? std::string::npos : argument.find('=') - 2);
}

Arguments Parse(int argc, char **argv)
{
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        if (const ToolSyntax *tool = ToolNamed(OptionName(argv[i]))) {
            if (args.tool && args.tool != tool) {
                args.problem
                    = "--" + args.tool->name + " and --" + tool->name + " cannot be used together";
                return args;
            }
            args.tool = tool;
        }
    }
    if (!args.tool)
        return args;

    for (int i = 1; i < argc && args.problem.empty(); ++i) {
        const std::string argument = argv[i];
        const std::string name = OptionName(argument);
        const std::size_t equals = argument.find('=');
        std::optional<std::string> attached;
        if (!name.empty() && equals != std::string::npos)
            attached = argument.substr(equals + 1);
        auto takeValue = [&](bool required) -> std::optional<std::string> {
            if (attached)
                return attached;
            if (i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0)
                return std::string(argv[++i]);
            if (required)
                args.problem = "--" + name + " needs a value";
            return std::nullopt;
        };

        if (name.empty()) {
            args.problem = "unexpected argument \"" + argument + "\"";
        } else if (name == args.tool->name) {
            if (args.tool->value == ToolSyntax::None && attached)
                args.problem = "--" + name + " takes no value";
            else if (args.tool->value != ToolSyntax::None)
                args.toolValue = takeValue(args.tool->value == ToolSyntax::Required);
        } else if (!args.tool->options.count(name)) {
            args.problem = "--" + name + " cannot be used with --" + args.tool->name;
        } else if (kValueOptions.count(name)) {
            if (const auto value = takeValue(true))
                args.values[name] = *value;
        } else if (attached) {
            args.problem = "--" + name + " takes no value";
        } else {
            args.spill = true;
        }
    }
    return args;
}

// "5" or "05" to 5; 0 for anything that names no bank.
int BankNumber(const std::string &text)
{
    if (text.empty() || text.size() > 2
        || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    const int bank = std::stoi(text);
    return bank >= 1 && bank <= kBankCount ? bank : 0;
}

int Usage(std::ostream &err, const std::string &problem)
{
    err << kProgram << ": " << problem << "\n"
        << "usage: " << kProgram << " --check-memory [FILE]\n"
        << "       " << kProgram << " --import-chirp CSV --bank NN [--output FILE] [--spill]\n"
        << "       " << kProgram << " --export-chirp --bank NN [--output CSV] [--memory FILE]\n";
    return kExitUsage;
}

int CheckMemory(const std::string &path, std::ostream &out, std::ostream &err)
{
    std::string bytes;
    std::string error;
    const FileRead read = ReadPlainFile(path, bytes, error, kLargestMemoryFileBytes);
    if (read == FileRead::TooLarge) {
        err << kProgram << ": " << path << " is not checked: " << error << "\n";
        return kExitCannotRead;
    }
    if (read != FileRead::Read) {
        err << kProgram << ": cannot read " << path << ": " << error << "\n";
        return kExitCannotRead;
    }
    const MemoryCheck check = CheckMemoryFile(bytes);
    for (const MemoryFinding &finding : check.findings)
        out << path << ":" << finding.line << ": " << finding.message << "\n";
    for (const BankSummary &bank : check.banks)
        out << BankSummaryText(bank) << "\n";
    const std::size_t count = check.findings.size();
    out << path << ": "
        << (count == 0 ? std::string("no findings")
                       : std::to_string(count) + (count == 1 ? " finding" : " findings"))
        << "\n";
    return count == 0 ? kExitClean : kExitFindings;
}

int ImportChirp(const Arguments &args, std::ostream &out, std::ostream &err)
{
    const auto bankValue = args.values.find("bank");
    if (bankValue == args.values.end())
        return Usage(err, "--import-chirp needs --bank NN");
    const int bank = BankNumber(bankValue->second);
    if (bank == 0)
        return Usage(err, "--bank takes a bank number from 01 to 99");
    const std::string csvPath = *args.toolValue;
    const auto output = args.values.find("output");
    const std::string memoryPath = output != args.values.end() ? output->second : kMemoryFileName;

    std::string csv;
    std::string error;
    if (ReadPlainFile(csvPath, csv, error) != FileRead::Read) {
        err << kProgram << ": cannot read " << csvPath << ": " << error << "\n";
        return kExitCannotRead;
    }
    const ChirpImport imported = ImportChirpCsv(csv);
    if (!imported.error.empty()) {
        err << kProgram << ": cannot import " << csvPath << ": " << imported.error << "\n";
        return kExitCannotRead;
    }

    std::string memory;
    const FileRead memoryRead = ReadPlainFile(memoryPath, memory, error, kLargestMemoryFileBytes);
    const bool memoryExists = memoryRead == FileRead::Read;
    if (memoryRead == FileRead::Failed || memoryRead == FileRead::TooLarge) {
        err << kProgram << ": cannot read " << memoryPath << ": " << error << "\n";
        return kExitCannotRead;
    }
    if (HasBareLineFeeds(memory)) {
        err << kProgram << ": " << memoryPath
            << " has line ends made of a bare line feed, so the panel does not read its lines as "
               "they look; nothing was written. Save it with CR LF line ends first ("
            << kProgram << " --check-memory " << memoryPath << " shows where)\n";
        return kExitCannotRead;
    }

    for (const ChirpNote &note : imported.skipped)
        out << csvPath << ":" << note.line << ": " << note.message << "\n";
    for (const ChirpNote &note : imported.renamed)
        out << csvPath << ":" << note.line << ": " << note.message << "\n";
    const ImportPlan plan = PlanImport(imported.channels, bank, args.spill);
    for (const ImportedChannel &channel : plan.leftOver) {
        out << csvPath << ":" << channel.line << ": \"" << channel.fields.name << "\" at "
            << channel.fields.frequency << ": not written, "
            << (args.spill ? "no bank after #99 is left"
                           : BankName(bank)
                           + " is full (32 channels); --spill continues into "
                             "the following banks")
            << "\n";
    }
    if (plan.banks.empty()) {
        out << memoryPath << ": no channel to write; the file is unchanged\n";
        return kExitFindings;
    }

    const MemoryCheck before = CheckMemoryFile(memory);
    std::string updated = memory;
    for (const BankFill &fill : plan.banks) {
        std::vector<ChannelFields> fields;
        for (const ImportedChannel &channel : fill.channels)
            fields.push_back(channel.fields);
        updated = ReplaceBankLines(updated, fill.bank, fields);
    }
    if (!ReplaceFileContents(memoryPath, updated, memoryExists, error)) {
        err << kProgram << ": " << error << "; " << memoryPath << " is unchanged\n";
        return kExitCannotRead;
    }

    const MemoryCheck after = CheckMemoryFile(updated);
    for (const BankFill &fill : plan.banks) {
        auto summaryOf = [&](const MemoryCheck &check) -> std::optional<BankSummary> {
            for (const BankSummary &s : check.banks) {
                if (s.bank == fill.bank)
                    return s;
            }
            return std::nullopt;
        };
        const auto old = summaryOf(before);
        out << memoryPath << ": " << BankName(fill.bank) << ": wrote " << fill.channels.size()
            << (fill.channels.size() == 1 ? " channel" : " channels")
            << (old ? ", replacing " + std::to_string(old->runLines) + " lines" : std::string())
            << "\n";
        const auto now = summaryOf(after);
        if (now && now->neverRead > 0) {
            out << memoryPath << ": " << BankName(fill.bank) << " has " << now->neverRead
                << " more lines further down that the panel never reads; they were left as they "
                   "are ("
                << kProgram << " --check-memory shows them)\n";
        }
    }
    if (memoryExists)
        out << memoryPath << ": the previous file is kept as " << BackupPath(memoryPath) << "\n";
    return kExitClean;
}

int ExportChirp(const Arguments &args, std::ostream &out, std::ostream &err)
{
    const auto bankValue = args.values.find("bank");
    if (bankValue == args.values.end())
        return Usage(err, "--export-chirp needs --bank NN");
    const int bank = BankNumber(bankValue->second);
    if (bank == 0)
        return Usage(err, "--bank takes a bank number from 01 to 99");
    const auto memoryValue = args.values.find("memory");
    const std::string memoryPath
        = memoryValue != args.values.end() ? memoryValue->second : kMemoryFileName;
    const auto outputValue = args.values.find("output");
    const std::string csvPath = outputValue != args.values.end() ? outputValue->second : "-";

    std::string memory;
    std::string error;
    if (ReadPlainFile(memoryPath, memory, error, kLargestMemoryFileBytes) != FileRead::Read) {
        err << kProgram << ": cannot read " << memoryPath << ": " << error << "\n";
        return kExitCannotRead;
    }
    const ChirpExport exported = ExportChirpCsv(LoadBank(memory, BankName(bank)));
    for (const ChirpNote &note : exported.notes)
        err << memoryPath << ": " << BankName(bank) << " slot " << note.line << ": " << note.message
            << "\n";
    if (exported.written == 0) {
        err << memoryPath << ": " << BankName(bank) << " has no channel to export\n";
        return kExitFindings;
    }
    if (csvPath == "-") {
        out << exported.csv;
        out.flush();
        return kExitClean;
    }
    if (!ReplaceFileContents(csvPath, exported.csv, false, error)) {
        err << kProgram << ": " << error << "\n";
        return kExitCannotRead;
    }
    err << csvPath << ": " << exported.written << (exported.written == 1 ? " channel" : " channels")
        << " of " << BankName(bank) << "\n";
    return kExitClean;
}

} // namespace

namespace {

// The tool the arguments name, run; they name one.
int RunTool(const Arguments &args, std::ostream &out, std::ostream &err)
{
    if (!args.problem.empty())
        return Usage(err, args.problem);
    if (args.tool->name == "check-memory")
        return CheckMemory(args.toolValue.value_or(kMemoryFileName), out, err);
    if (args.tool->name == "import-chirp")
        return ImportChirp(args, out, err);
    return ExportChirp(args, out, err);
}

} // namespace

int RunMemoryTool(int argc, char **argv, std::ostream &out, std::ostream &err)
{
    const Arguments args = Parse(argc, argv);
    return args.tool ? RunTool(args, out, err) : kNotAMemoryTool;
}

namespace {

// An output stream's buffer writing to a C stream. The tools use it for the standard output and
// error rather than std::cout and std::cerr, whose set-up <iostream> would run at every start of
// the panel, tool or not, and with it much of the C++ library's locale code.
class FileBuffer : public std::streambuf
{
public:
    explicit FileBuffer(std::FILE *file)
        : m_file(file)
    { }

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        return std::fputc(c, m_file) == EOF ? traits_type::eof() : c;
    }
    std::streamsize xsputn(const char *text, std::streamsize count) override
    {
        return std::streamsize(std::fwrite(text, 1, std::size_t(count), m_file));
    }
    int sync() override { return std::fflush(m_file) == 0 ? 0 : -1; }

private:
    std::FILE *m_file;
};

} // namespace

int RunMemoryTool(int argc, char **argv)
{
    const Arguments args = Parse(argc, argv);
    if (!args.tool)
        return kNotAMemoryTool;
    FileBuffer outBuffer(stdout);
    FileBuffer errBuffer(stderr);
    std::ostream out(&outBuffer);
    std::ostream err(&errBuffer);
    const int status = RunTool(args, out, err);
    out.flush();
    err.flush();
    return status;
}

std::vector<MemoryToolOption> MemoryToolOptions()
{
    return {
        {"check-memory", "FILE", "Check the memory file (default QZMemory.txt)."},
        {"import-chirp", "CSV", "Import into --bank NN [--output FILE] [--spill]."},
        {"export-chirp", "", "Export --bank NN [--memory FILE] [--output CSV]."},
    };
}
