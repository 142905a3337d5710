#include "linktrace.h"

#include <QElapsedTimer>

#include <cstdio>

Q_LOGGING_CATEGORY(lcLink, "qz.link", QtWarningMsg)

QString TraceText(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\r')
            text += QLatin1String("\\r");
        else if (byte == '\n')
            text += QLatin1String("\\n");
        else if (byte == '\\')
            text += QLatin1String("\\\\");
        else if (byte >= 0x20 && byte < 0x7f)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return text;
}

namespace {

QElapsedTimer &TraceClock()
{
    static QElapsedTimer clock;
    return clock;
}

QtMessageHandler g_previousHandler = nullptr;

void TraceHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && qstrcmp(context.category, "qz.link") == 0) {
        const double ms = double(TraceClock().nsecsElapsed()) / 1e6;
        std::fprintf(stderr, "%10.3f ms  %s\n", ms, qPrintable(message));
        std::fflush(stderr);
        return;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

void EnableLinkTrace()
{
    TraceClock().start();
    QLoggingCategory::setFilterRules(QStringLiteral("qz.link.debug=true"));
    g_previousHandler = qInstallMessageHandler(TraceHandler);
}
