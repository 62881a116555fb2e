// velmora-cli: the service tool's work from a shell, on one port or on every present port at once.

#include "core/port_list.h"
#include "i18n/dictionary.h"
#include "i18n/language_locale.h"
#include "jobs/port_job.h"
#include "jobs/schema_refresh.h"
#include "platform/app_paths.h"
#include "platform/registry.h"
#include "platform/serial_enumerator.h"
#include "platform/termination_signals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

struct TCommandInfo {
  const char* Name;
  TJobCommand Command;
  // Positional arguments after PORT (or --all): name and description.
  const char* Argument;
  const char* ArgumentHelp;
  const char* Description;
  bool TakesPort;
};

const TCommandInfo kCommands[] = {
    {"list", jcList, nullptr, nullptr,
     "Lists the present device ports with their hardware id, generation, type, ID, IMEI and software.",
     false},
    {"identify", jcIdentify, nullptr, nullptr, "Shows who the device is.", true},
    {"monitor", jcMonitor, nullptr, nullptr,
     "Prints the device's values as they arrive: ident, caption and value, one line (or JSON object) each.",
     true},
    {"read-settings", jcReadSettings, "FILE",
     "Configuration file to write (with --all: a folder that gets PORT.cfg per port).",
     "Reads the device's settings into a configuration file.", true},
    {"write-settings", jcWriteSettings, "FILE", "Configuration file to write to the device.",
     "Writes a configuration file to the device, waits for its answer and reads the settings back.", true},
    {"diff-settings", jcDiffSettings, "FILE", "Configuration file to compare with.",
     "Lists the settings whose values in the file differ from the device's: number, caption, device, file.",
     true},
    {"command", jcCommand, "IDENT", "The command's Ident in the command table (e.g. act_Reboot).",
     "Sends a command of the command table.", true},
    {"dump-memory", jcDumpMemory, "FILE", "Dump file to write (with --all: a folder that gets PORT.dump).",
     "Reads the written part of the device's memory into a file.", true},
    {"read-files", jcReadFiles, "DIR", "Folder for the files (with --all: one sub-folder per port).",
     "Reads the files the device keeps into a folder.", true},
    {"firmware", jcFirmware, "FILE.dfw", "Firmware image.", "Loads firmware into the device.", true},
};

const TCommandInfo* FindCommand(const QString& aName) {
  for (const TCommandInfo& c : kCommands)
    if (aName == QLatin1String(c.Name))
      return &c;
  return nullptr;
}

void PrintLine(FILE* aStream, const QString& aLine) {
  const QByteArray bytes = aLine.toLocal8Bit() + '\n';
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), aStream);
  std::fflush(aStream);
}

// The ports discovery lists: the same accepted identities and names as the window's column.
QList<TSerialPortEntry> PresentPorts() {
  TUdevSerialEnumerator enumerator;
  return DevicePorts(enumerator);
}

// Opening a FIFO, a device or a socket as a settings or firmware file would wait for a writer
// for good (or read something endless): only regular files are taken. A path that does not exist
// is left to the command, which says it cannot open it.
bool NotRegularFile(const QString& aPath) {
  struct stat info {};
  return ::stat(QFile::encodeName(aPath).constData(), &info) == 0 && !S_ISREG(info.st_mode);
}

QString IdentityLine(const QJsonObject& aJson) {
  QStringList parts;
  for (const char* key : {"port", "hardwareId", "generation", "type", "id", "imei", "software"})
    parts << aJson.value(QLatin1String(key)).toString();
  return parts.join(QLatin1Char('\t'));
}

} // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Velmora"));
  QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
  // From the start, so a signal during the set-up ends the run the same way as one during the work.
  TTerminationSignals signals_;
  int stoppedBy = 0;

  const QCommandLineOption allOption(QStringLiteral("all"),
                                     QStringLiteral("Every present device port instead of PORT, at once."));
  const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("JSON output."));
  const QCommandLineOption secondsOption(
      QStringLiteral("seconds"), QStringLiteral("monitor: stop after N seconds (default: at a signal)."),
      QStringLiteral("N"));
  const QCommandLineOption passwordOption(
      QStringLiteral("password"),
      QStringLiteral("The device password, as typed in the window (default 111111)."), QStringLiteral("P"));
  const QCommandLineOption langOption(
      QStringLiteral("lang"),
      QStringLiteral("Language of captions and messages: ru or en (default: the "
                     "window's)."),
      QStringLiteral("ru|en"));
  const QCommandLineOption timeoutOption(
      QStringLiteral("timeout"),
      QStringLiteral("Seconds a port may stay without an answer or progress (default 15)."),
      QStringLiteral("S"), QStringLiteral("15"));
  const QCommandLineOption logOption(QStringLiteral("log"),
                                     QStringLiteral("Save an exchange log per port into DIR (opens in the "
                                                    "window's replay)."),
                                     QStringLiteral("DIR"));
  const QList<QCommandLineOption> options{allOption,  jsonOption,    secondsOption, passwordOption,
                                          langOption, timeoutOption, logOption};

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Velmora from the command line.\n\nCommands:\n"
                     "  list, identify, monitor, read-settings, write-settings, diff-settings,\n"
                     "  command, dump-memory, read-files, firmware\n\n"
                     "velmora-cli COMMAND --help shows a command's arguments."));
  const QCommandLineOption helpOption = parser.addHelpOption();
  parser.addOptions(options);
  parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do."));
  if (!parser.parse(QCoreApplication::arguments())) {
    PrintLine(stderr, QStringLiteral("velmora-cli: ") + parser.errorText());
    return 2;
  }
  const QStringList positional = parser.positionalArguments();
  const TCommandInfo* info = positional.isEmpty() ? nullptr : FindCommand(positional.first());
  if (!info) {
    if (parser.isSet(helpOption)) {
      PrintLine(stdout, parser.helpText());
      return 0;
    }
    PrintLine(stderr, positional.isEmpty()
                          ? QStringLiteral("velmora-cli: no command given (see --help)")
                          : QStringLiteral("velmora-cli: unknown command ") + positional.first());
    return 2;
  }

  // The command's own help: its arguments and the options that apply.
  QCommandLineParser own;
  own.setApplicationDescription(QString::fromLatin1(info->Description));
  own.addHelpOption();
  own.addOptions(options);
  own.addPositionalArgument(QString::fromLatin1(info->Name), QString(), QString::fromLatin1(info->Name));
  if (info->TakesPort)
    own.addPositionalArgument(QStringLiteral("PORT"),
                              QStringLiteral("Port name (as list shows it) or device path."));
  if (info->Argument)
    own.addPositionalArgument(QString::fromLatin1(info->Argument), QString::fromLatin1(info->ArgumentHelp));
  if (parser.isSet(helpOption)) {
    PrintLine(stdout, own.helpText());
    return 0;
  }

  TRegistry registry;
  AppDataFolder();
  TJobRequest request;
  request.Command = info->Command;
  request.Json = parser.isSet(jsonOption);
  request.LogDir = parser.value(logOption);
  request.Password = parser.isSet(passwordOption) ? parser.value(passwordOption) : QStringLiteral("111111");
  bool ok = false;
  const double timeout = parser.value(timeoutOption).toDouble(&ok);
  if (!ok || timeout <= 0 || timeout > 86400) {
    PrintLine(stderr, QStringLiteral("velmora-cli: --timeout takes seconds above 0"));
    return 2;
  }
  request.TimeoutMs = int(timeout * 1000);
  if (parser.isSet(secondsOption)) {
    request.Seconds = parser.value(secondsOption).toInt(&ok);
    if (!ok || request.Seconds < 1) {
      PrintLine(stderr, QStringLiteral("velmora-cli: --seconds takes a whole number above 0"));
      return 2;
    }
  }
  // The window's language unless one is asked for.
  request.Language =
      registry.Read(QStringLiteral("Forms"), QStringLiteral("Language"), 0).toInt() == 1 ? 1 : 0;
  if (parser.isSet(langOption)) {
    const QString lang = parser.value(langOption).toLower();
    if (lang != QLatin1String("ru") && lang != QLatin1String("en")) {
      PrintLine(stderr, QStringLiteral("velmora-cli: --lang takes ru or en"));
      return 2;
    }
    request.Language = lang == QLatin1String("en") ? TDictionary::lnEnglish : TDictionary::lnRussian;
  }
  TDictionary dictionary;
  dictionary.SetLanguage(request.Language);
  SetDateLanguage(request.Language);

  const bool all = parser.isSet(allOption) || info->Command == jcList;
  QStringList rest = positional.mid(1);
  QString portArgument;
  if (!all && info->TakesPort) {
    if (rest.isEmpty()) {
      PrintLine(stderr, QStringLiteral("velmora-cli: %1 needs PORT or --all").arg(QLatin1String(info->Name)));
      return 2;
    }
    portArgument = rest.takeFirst();
  }
  if (info->Argument) {
    if (rest.isEmpty()) {
      PrintLine(stderr, QStringLiteral("velmora-cli: %1 needs %2")
                            .arg(QLatin1String(info->Name), QLatin1String(info->Argument)));
      return 2;
    }
    if (info->Command == jcCommand)
      request.Ident = rest.takeFirst();
    else
      request.Path = QDir::cleanPath(QDir::current().absoluteFilePath(rest.takeFirst()));
  }
  if (!rest.isEmpty()) {
    PrintLine(stderr, QStringLiteral("velmora-cli: unexpected argument ") + rest.first());
    return 2;
  }
  // The files the commands read, and the single files they write (a folder with --all).
  const bool fileArgument =
      info->Command == jcWriteSettings || info->Command == jcDiffSettings || info->Command == jcFirmware ||
      (!parser.isSet(allOption) && (info->Command == jcReadSettings || info->Command == jcDumpMemory));
  if (fileArgument && NotRegularFile(request.Path)) {
    PrintLine(stderr, QStringLiteral("velmora-cli: ") +
                          dictionary.Translate(QStringLiteral("cli_notregular")).arg(request.Path));
    return 2;
  }

  QList<TSerialPortEntry> ports = PresentPorts();
  if (!all) {
    QList<TSerialPortEntry> chosen;
    for (const TSerialPortEntry& entry : ports)
      if (PortNameOf(entry).compare(portArgument, Qt::CaseInsensitive) == 0 ||
          entry.DevicePath == portArgument)
        chosen.append(entry);
    if (chosen.isEmpty()) {
      PrintLine(stderr, QStringLiteral("velmora-cli: ") +
                            dictionary.Translate(QStringLiteral("cli_noport")).arg(portArgument));
      return 1;
    }
    ports = chosen.mid(0, 1);
  } else if (ports.isEmpty() && info->Command != jcList) {
    PrintLine(stderr, QStringLiteral("velmora-cli: ") + dictionary.Translate(QStringLiteral("cli_noports")));
    return 1;
  }

  std::vector<std::unique_ptr<TPortJob>> jobs;
  int running = 0;
  const bool perPortPath =
      parser.isSet(allOption) &&
      (info->Command == jcReadSettings || info->Command == jcDumpMemory || info->Command == jcReadFiles);
  for (const TSerialPortEntry& entry : ports) {
    TJobRequest portRequest = request;
    const QString name = PortNameOf(entry);
    if (perPortPath) {
      QDir().mkpath(request.Path);
      const QString suffix = info->Command == jcReadSettings ? QStringLiteral(".cfg")
                             : info->Command == jcDumpMemory ? QStringLiteral(".dump")
                                                             : QString();
      portRequest.Path = QDir(request.Path).filePath(name + suffix);
    }
    auto job = std::make_unique<TPortJob>(entry, portRequest, registry);
    TPortJob* raw = job.get();
    const bool prefix = all && info->Command != jcList;
    QObject::connect(raw, &TPortJob::Output, raw, [raw, prefix, &request](const QString& aLine) {
      PrintLine(stdout, prefix && !request.Json ? raw->PortName() + QLatin1Char('\t') + aLine : aLine);
    });
    QObject::connect(raw, &TPortJob::Note, raw, [](const QString& aLine) { PrintLine(stderr, aLine); });
    QObject::connect(raw, &TPortJob::Finished, &app, [&running] {
      if (--running == 0)
        QCoreApplication::quit();
    });
    jobs.push_back(std::move(job));
  }

  QObject::connect(&signals_, &TTerminationSignals::TerminationRequested, &app,
                   [&jobs, &stoppedBy](int aSignal) {
                     if (stoppedBy == 0)
                       stoppedBy = aSignal;
                     for (const auto& job : jobs)
                       job->Stop();
                   });
  running = int(jobs.size());
  auto startJobs = [&jobs] {
    for (const auto& job : jobs)
      job->Start();
  };
  // Settings are read and written by the newest schema of each type, as in the window.
  const bool needsSchemas = info->Command == jcReadSettings || info->Command == jcWriteSettings ||
                            info->Command == jcDiffSettings || info->Command == jcFirmware;
  TSchemaRefresh schemas(registry, request.Language, request.TimeoutMs);
  if (needsSchemas && running > 0) {
    QObject::connect(&schemas, &TSchemaRefresh::Finished, &app, [&schemas, &startJobs] {
      for (const QString& note : schemas.Notes())
        PrintLine(stderr, QStringLiteral("velmora-cli: ") + note);
      startJobs();
    });
    schemas.Start();
  } else {
    startJobs();
  }
  if (running > 0)
    QCoreApplication::exec();

  bool allOk = true;
  QJsonArray results;
  for (const auto& job : jobs) {
    allOk = allOk && job->Ok();
    results.append(job->ResultJson());
    if (!job->Ok())
      PrintLine(stderr,
                QStringLiteral("velmora-cli: ") + job->PortName() + QStringLiteral(": ") + job->ResultText());
  }
  if (request.Json && info->Command != jcMonitor && info->Command != jcDiffSettings) {
    PrintLine(stdout, QString::fromUtf8(QJsonDocument(results).toJson(QJsonDocument::Indented)).trimmed());
  } else if (!request.Json) {
    for (const auto& job : jobs) {
      const QJsonObject json = job->ResultJson();
      if (info->Command == jcList || info->Command == jcIdentify) {
        PrintLine(stdout, job->Ok() ? IdentityLine(json)
                                    : job->PortName() + QStringLiteral("\terror\t") + job->ResultText());
      } else if (info->Command != jcMonitor || !job->Ok()) {
        PrintLine(stdout, job->PortName() +
                              (job->Ok() ? QStringLiteral("\tok\t") : QStringLiteral("\terror\t")) +
                              job->ResultText());
      }
    }
  }
  // As a shell reports a program a signal ended; a monitor ended by a signal has done its work.
  if (stoppedBy != 0 && !(info->Command == jcMonitor && allOk))
    return 128 + stoppedBy;
  return allOk ? 0 : 1;
}
