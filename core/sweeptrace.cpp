#include "sweeptrace.h"

#include <algorithm>
#include <limits>

void SweepTrace::Reset(int points)
{
    m_latest.assign(size_t(std::max(0, points)), kNotMeasured);
    m_max.assign(m_latest.size(), kNotMeasured);
}

void SweepTrace::Set(int index, std::int16_t value)
{
    if (index < 0 || index >= size())
        return;
    m_latest[size_t(index)] = value;
    if (value >= 0 && value > m_max[size_t(index)])
        m_max[size_t(index)] = value;
}

void SweepTrace::ClearMaxHold()
{
    std::fill(m_max.begin(), m_max.end(), kNotMeasured);
}

SweepWaterfall::SweepWaterfall(int maxRows, int maxBins)
    : m_maxRows(std::max(1, maxRows))
    , m_maxBins(std::max(1, maxBins))
{ }

void SweepWaterfall::Reset(int points)
{
    m_rows.clear();
    m_points = std::max(0, points);
    m_bins = std::min(m_points, m_maxBins);
}

int SweepWaterfall::BinForIndex(int index) const
{
    if (m_points == 0)
        return 0;
    index = std::clamp(index, 0, m_points - 1);
    return int(std::int64_t(index) * m_bins / m_points);
}

void SweepWaterfall::AddRow(const std::vector<std::int16_t> &readings)
{
    if (m_bins == 0)
        return;
    // The oldest row's storage is reused for the newest once the waterfall is full.
    std::vector<std::int16_t> row;
    if (int(m_rows.size()) >= m_maxRows) {
        row = std::move(m_rows.back());
        m_rows.pop_back();
    }
    // A bin keeps the highest of its steps' values; the marks are negative, so any reading wins
    // over a mark, and a missing reading over a step not measured or locked out.
    constexpr std::int16_t kEmpty = std::numeric_limits<std::int16_t>::min();
    row.assign(size_t(m_bins), kEmpty);
    const int count = std::min(m_points, int(readings.size()));
    for (int i = 0; i < count; ++i) {
        std::int16_t &bin = row[size_t(BinForIndex(i))];
        bin = std::max(bin, readings[size_t(i)]);
    }
    std::replace(row.begin(), row.end(), kEmpty, kNotMeasured);
    m_rows.push_front(std::move(row));
    ++m_totalRows;
}

std::int16_t SweepWaterfall::MaxOver(int age, int first, int last) const
{
    const std::vector<std::int16_t> &row = m_rows[size_t(age)];
    const int from = BinForIndex(first);
    const int to = std::max(from, BinForIndex(last));
    return *std::max_element(row.begin() + from, row.begin() + to + 1);
}
