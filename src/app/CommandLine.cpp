#include "CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

namespace tolvex {

namespace {

const QString kDateTimeForm = QStringLiteral("2026-12-08T14:00 or \"2026-12-08 14:00\"");

// Options of Qt's application object: taken here so they are not unknown, and read by Qt itself.
void addQtOptions(QCommandLineParser& parser) {
    const char* withValue[] = {"platform",     "platformpluginpath", "platformtheme", "plugin",
                               "style",        "stylesheet",         "session",       "display",
                               "geometry",     "qwindowgeometry",    "qwindowtitle",  "qwindowicon",
                               "qmljsdebugger"};
    const char* flags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (const char* name : withValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : flags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

QString usage(const QCommandLineParser& parser) {
    // Qt names the program after its application object, which does not exist yet.
    QString text = parser.helpText();
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    return QStringLiteral("Usage: tolvex [options] [DIR]") + text.mid(lineEnd);
}

CommandLine fail(const QCommandLineParser& parser, const QString& reason) {
    CommandLine line;
    line.action = CommandLine::Action::Fail;
    line.exitCode = kUsageExit;
    line.text = QStringLiteral("tolvex: ") + reason + QStringLiteral("\n\n") + usage(parser);
    return line;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // "-platform offscreen" as Qt reads it; short options are never run together here.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Tolvex: a terminal for amateur packet radio, for emergency communications.\n\n"
                       "DIR is the station folder (Parms.inf, Messages, Forms ...). A folder that\n"
                       "does not exist yet, or is empty, is made into a new station.\n\n"
                       "The ICS-309 communications log of a station, without a window:\n"
                       "  tolvex --ics309 DIR --from DATE_TIME --to DATE_TIME --incident NAME\n"
                       "         --operator NAME -o FILE\n"
                       "DATE_TIME is the station's local time, as ") +
        kDateTimeForm +
        QStringLiteral(";\nthe log holds the messages from --from up to (not including) --to.\n"
                       "A FILE ending in .csv gives CSV, one ending in .pdf the PDF form."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the program's version and end."));
    const QCommandLineOption ics309(QStringLiteral("ics309"),
                                    QStringLiteral("Write the ICS-309 log of the station in DIR and end."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("Start of the operational period."),
                                  QStringLiteral("DATE_TIME"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("End of the operational period."),
                                QStringLiteral("DATE_TIME"));
    const QCommandLineOption incident(QStringLiteral("incident"), QStringLiteral("Incident name."),
                                      QStringLiteral("NAME"));
    const QCommandLineOption operatorName(
        QStringLiteral("operator"), QStringLiteral("Radio operator's name (default: the station's call)."),
        QStringLiteral("NAME"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The log file to write (.csv or .pdf)."),
                                    QStringLiteral("FILE"));
    for (const QCommandLineOption& option : {help, version, ics309, from, to, incident, operatorName, output})
        parser.addOption(option);
    addQtOptions(parser);
    parser.addPositionalArgument(
        QStringLiteral("DIR"),
        QStringLiteral("The station folder (default: the program's own folder in a build folder, else your "
                       "own station in the data folder, ~/.local/share/Tolvex/station)."),
        QStringLiteral("[DIR]"));

    if (!parser.parse(arguments)) return fail(parser, parser.errorText());
    CommandLine line;
    if (parser.isSet(help)) {
        line.action = CommandLine::Action::Print;
        line.text = usage(parser);
        return line;
    }
    if (parser.isSet(version)) {
        line.action = CommandLine::Action::Print;
        line.text = QStringLiteral("Tolvex ") + QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return line;
    }
    const QStringList positional = parser.positionalArguments();
    if (!parser.isSet(ics309)) {
        for (const QCommandLineOption* option : {&from, &to, &incident, &operatorName, &output})
            if (parser.isSet(*option))
                return fail(parser, QStringLiteral("--") + option->names().constLast() +
                                        QStringLiteral(" is an option of --ics309"));
        if (positional.size() > 1)
            return fail(parser, QStringLiteral("one station folder only, not ") +
                                    QString::number(positional.size()) + QStringLiteral(": ") +
                                    positional.join(QLatin1Char(' ')));
        if (!positional.isEmpty()) line.stationDir = positional.constFirst();
        return line;
    }

    if (!positional.isEmpty())
        return fail(parser, QStringLiteral("--ics309 takes the station folder as its value; ") +
                                positional.join(QLatin1Char(' ')) +
                                QStringLiteral(" is one argument too many"));
    if (parser.value(ics309).isEmpty())
        return fail(parser, QStringLiteral("--ics309 needs the station folder"));
    for (const QCommandLineOption* option : {&from, &to, &output})
        if (parser.value(*option).isEmpty())
            return fail(parser, QStringLiteral("--ics309 needs --") + option->names().constLast());
    Ics309Request& request = line.ics309;
    for (const auto& [option, value] : {std::pair{&from, &request.from}, std::pair{&to, &request.to}}) {
        const QString text = parser.value(*option);
        const std::optional<QDateTime> parsed = parseLocalDateTime(text);
        if (!parsed)
            return fail(parser, QStringLiteral("--") + option->names().constLast() + QStringLiteral(" ") +
                                    text + QStringLiteral(" is not a date and time such as ") +
                                    kDateTimeForm);
        *value = *parsed;
    }
    if (request.to <= request.from)
        return fail(parser, QStringLiteral("the period must end after it starts (--to after --from)"));
    request.stationDir = QDir(parser.value(ics309)).absolutePath();
    request.incident = parser.value(incident);
    request.operatorName = parser.value(operatorName);
    request.outputPath = parser.value(output);
    line.action = CommandLine::Action::Ics309;
    return line;
}

} // namespace tolvex
