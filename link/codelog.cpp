#include "codelog.h"

#include <algorithm>

CodeLog::CodeLog(int capacityLines, QObject *parent)
    : QAbstractListModel(parent)
    , m_capacity(std::max(1, capacityLines))
{ }

void CodeLog::append(const QString &line)
{
    append(QStringList {line});
}

void CodeLog::append(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    m_total += lines.size();
    // Of a batch larger than the whole log only its newest lines can stay.
    const int keepFromBatch = std::min<int>(int(lines.size()), m_capacity);
    const int overflow = count() + keepFromBatch - m_capacity;
    if (overflow > 0) {
        beginRemoveRows(QModelIndex(), 0, overflow - 1);
        m_lines.erase(m_lines.begin(), m_lines.begin() + overflow);
        endRemoveRows();
    }
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + keepFromBatch - 1);
    for (qsizetype i = lines.size() - keepFromBatch; i < lines.size(); ++i)
        m_lines.push_back(lines.at(i));
    endInsertRows();
}

QStringList CodeLog::lines() const
{
    return QStringList(m_lines.begin(), m_lines.end());
}

int CodeLog::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant CodeLog::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count())
        return {};
    return m_lines.at(size_t(index.row()));
}
