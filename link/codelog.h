#pragma once

#include <QAbstractListModel>
#include <QStringList>

#include <deque>

// One of the two on-screen code logs (commands sent, codes received), oldest first, newest last.
// It is never cleared; beyond its capacity the oldest lines are dropped, so a scan left running
// for days keeps the memory and the view's speed bounded.
class CodeLog : public QAbstractListModel
{
    Q_OBJECT

public:
    static constexpr int kDefaultCapacityLines = 10000;

    explicit CodeLog(int capacityLines = kDefaultCapacityLines, QObject *parent = nullptr);

    void append(const QString &line);
    void append(const QStringList &lines);

    int count() const { return int(m_lines.size()); }
    int capacity() const { return m_capacity; }
    QString last() const { return m_lines.empty() ? QString() : m_lines.back(); }
    QStringList lines() const;
    // Lines appended since the program started, dropped ones included.
    qint64 totalAppended() const { return m_total; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    std::deque<QString> m_lines;
    int m_capacity;
    qint64 m_total = 0;
};
