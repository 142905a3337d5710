#include "commandline.h"

#include <QCommandLineOption>

namespace {

// Options QApplication takes out of the command line itself, with whether they take a value.
struct QtOption
{
    const char *name;
    bool takesValue;
};
constexpr std::array<QtOption, 20> kQtOptions {{
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowtitle", true},
    {"qwindowicon", true},
    {"session", true},
    {"display", true},
    {"geometry", true},
    {"name", true},
    {"title", true},
    {"style", true},
    {"stylesheet", true},
    {"qmljsdebugger", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
}};

QString OptionNames(const CommandOption &row)
{
    QString names;
    if (row.shortName != '\0')
        names = QStringLiteral("-%1, ").arg(QLatin1Char(row.shortName));
    names += QStringLiteral("--") + QLatin1String(row.name);
    if (row.valueName)
        names += QLatin1Char(' ') + QLatin1String(row.valueName);
    return names;
}

} // namespace

CommandLine::CommandLine(const QStringList &arguments)
{
    // Qt's options come with one dash: "-platform offscreen".
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const CommandOption &row : kOptionTable) {
        QStringList names {QLatin1String(row.name)};
        if (row.shortName != '\0')
            names.prepend(QString(QLatin1Char(row.shortName)));
        QCommandLineOption option(names, QLatin1String(row.help));
        if (row.valueName)
            option.setValueName(QLatin1String(row.valueName));
        m_parser.addOption(option);
    }
    for (const QtOption &qt : kQtOptions) {
        QCommandLineOption option(QLatin1String(qt.name));
        if (qt.takesValue)
            option.setValueName(QStringLiteral("VALUE"));
        m_parser.addOption(option);
    }

    if (!m_parser.parse(arguments)) {
        m_outcome = Outcome::Error;
        m_error = m_parser.errorText();
    } else if (isSet("help")) {
        m_outcome = Outcome::ShowHelp;
    } else if (isSet("version")) {
        m_outcome = Outcome::ShowVersion;
    } else if (!m_parser.positionalArguments().isEmpty()) {
        m_outcome = Outcome::Error;
        m_error = QStringLiteral("unexpected argument \"%1\"")
                      .arg(m_parser.positionalArguments().constFirst());
    }
}

bool CommandLine::isSet(const char *name) const
{
    return m_parser.isSet(QLatin1String(name));
}

QString CommandLine::value(const char *name) const
{
    return m_parser.value(QLatin1String(name));
}

QString CommandLine::HelpText()
{
    int width = 0;
    for (const CommandOption &row : kOptionTable) {
        if (!row.hidden)
            width = std::max(width, int(OptionNames(row).size()));
    }
    QString text = QStringLiteral("Usage: qz-remote [options]\n"
                                  "Front panel for a serial remote-controlled receiver.\n\n"
                                  "Options:\n");
    for (const CommandOption &row : kOptionTable) {
        if (!row.hidden)
            text += QStringLiteral("  %1  %2\n")
                        .arg(OptionNames(row).leftJustified(width), QLatin1String(row.help));
    }
    text += QStringLiteral("\nQt's own options, such as -platform and -style, are passed to Qt.\n");
    return text;
}

QString CommandLine::VersionText()
{
    return QStringLiteral("qz-remote " QZ_VERSION "\n");
}
