#pragma once

#include <QString>

struct SweepHit;

// The hits log: one CSV line per hit, appended as each hit is recorded, for unattended
// monitoring. A new or empty file gets the header line first. The file is opened for each line
// and closed again, so every line is on disk once Append returns and the file can be moved away
// between hits.
class HitsLog
{
public:
    explicit HitsLog(const QString &path);

    QString path() const { return m_path; }
    // Opens the file for appending (creating it, empty, when it is missing) to find out at once
    // whether lines can be added: false, with errorString(), when they cannot.
    bool Check();
    // False when the line could not be written; errorString() then says why.
    bool Append(const SweepHit &hit);
    QString errorString() const { return m_error; }

private:
    QString m_path;
    QString m_error;
};
