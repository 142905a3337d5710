#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// What a step of the sweep holds: a raw reading 0 … 255, or one of these marks.
inline constexpr std::int16_t kReadingMissing = -1; // asked, but no reading came in time
inline constexpr std::int16_t kNotMeasured = -2; // not visited yet
inline constexpr std::int16_t kLockedOut = -3; // left out for the rest of the run

// The readings of the sweep, one per step: the latest reading of each step (so while a sweep runs,
// the steps behind it hold this sweep's readings and those ahead of it the previous sweep's), and
// the highest reading each step has given since the run started or the max-hold was cleared.
class SweepTrace
{
public:
    void Reset(int points);
    int size() const { return int(m_latest.size()); }
    // Stores a reading or a mark; a reading also raises the max-hold.
    void Set(int index, std::int16_t value);
    std::int16_t At(int index) const { return m_latest[std::size_t(index)]; }
    // The highest reading of the step, or kNotMeasured when it has given none.
    std::int16_t MaxAt(int index) const { return m_max[std::size_t(index)]; }
    void ClearMaxHold();
    const std::vector<std::int16_t> &latest() const { return m_latest; }
    const std::vector<std::int16_t> &maxHold() const { return m_max; }

private:
    std::vector<std::int16_t> m_latest;
    std::vector<std::int16_t> m_max;
};

// The past sweeps for the waterfall, newest first, at most maxRows of them. A row holds at most
// maxBins values: neighbouring steps share a bin, which keeps the highest of their values, so a
// narrow signal survives and memory stays bounded however fine the sweep.
class SweepWaterfall
{
public:
    static constexpr int kDefaultRows = 300;
    static constexpr int kDefaultBins = 2048;

    explicit SweepWaterfall(int maxRows = kDefaultRows, int maxBins = kDefaultBins);

    // Forgets every row; rows from now on cover this many steps.
    void Reset(int points);
    void AddRow(const std::vector<std::int16_t> &readings);
    int rowCount() const { return int(m_rows.size()); }
    int maxRows() const { return m_maxRows; }
    int bins() const { return m_bins; }
    int points() const { return m_points; }
    // Row 0 is the newest.
    const std::vector<std::int16_t> &Row(int age) const { return m_rows[std::size_t(age)]; }
    int BinForIndex(int index) const;
    // The highest value of the bins that hold steps first … last (a single bin when the steps
    // share one).
    std::int16_t MaxOver(int age, int first, int last) const;
    // Rows appended since the start, kept or not.
    long long totalRows() const { return m_totalRows; }

private:
    int m_maxRows;
    int m_maxBins;
    int m_points = 0;
    int m_bins = 0;
    long long m_totalRows = 0;
    std::deque<std::vector<std::int16_t>> m_rows;
};
