#pragma once

// The memory file holds one byte per character (Latin-1), and the system names files in its own
// encoding: the conversions between those and Qt's strings, for the pages that read and write it.
#include <QFile>
#include <QString>

#include <string>

inline QString FromFile(const std::string &text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

inline std::string ToFile(const QString &text)
{
    return text.toLatin1().toStdString();
}

inline std::string LocalPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}
