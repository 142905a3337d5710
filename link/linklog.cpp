#include "linklog.h"

#include <chrono>
#include <cstdio>

Q_LOGGING_CATEGORY(lcLink, "qz.link", QtWarningMsg)

QString LinkLogText(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f || byte == '\\')
            out += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(c);
    }
    return out;
}

QString LinkLogTime()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    return QStringLiteral("%1.%2").arg(us / 1000000).arg(us % 1000000, 6, 10, QLatin1Char('0'));
}

namespace {

QtMessageHandler g_previousHandler = nullptr;

void TraceHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && qstrcmp(context.category, "qz.link") == 0) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::fflush(stderr);
        return;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

void EnableLinkTrace()
{
    QLoggingCategory::setFilterRules(QStringLiteral("qz.link.debug=true"));
    g_previousHandler = qInstallMessageHandler(TraceHandler);
}
