#include "hitslog.h"

#include "sweephit.h"

#include <QFile>

HitsLog::HitsLog(const QString &path)
    : m_path(path)
{ }

bool HitsLog::Check()
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        m_error = file.errorString();
        return false;
    }
    m_error.clear();
    return true;
}

bool HitsLog::Append(const SweepHit &hit)
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        m_error = file.errorString();
        return false;
    }
    QByteArray text;
    if (file.size() == 0)
        text = QByteArray::fromStdString(HitCsvHeader()) + '\n';
    text += QByteArray::fromStdString(HitCsvLine(hit)) + '\n';
    if (file.write(text) != text.size() || !file.flush()) {
        m_error = file.errorString();
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        m_error = file.errorString();
        return false;
    }
    m_error.clear();
    return true;
}
