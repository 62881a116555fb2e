// velmora-websim: the web services Velmora talks to, on 127.0.0.1, for tests, demos and training.
// Prints its base address on the first line, then serves until SIGTERM/SIGINT.

#include "web_sim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int gSignalPipe[2] = {-1, -1};
void OnSignal(int) {
  const char c = 1;
  [[maybe_unused]] const auto n = ::write(gSignalPipe[1], &c, 1);
}
} // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("velmora-websim"));
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Plays the device information site and the settings web service on 127.0.0.1."));
  parser.addHelpOption();
  const QCommandLineOption port(QStringLiteral("port"),
                                QStringLiteral("Port to listen on (0: any free one)."), QStringLiteral("N"),
                                QStringLiteral("0"));
  const QCommandLineOption modules(QStringLiteral("modules"),
                                   QStringLiteral("Folder of settings modules named <type>.json; each is "
                                                  "dated by its modification time."),
                                   QStringLiteral("DIR"));
  const QCommandLineOption module(QStringLiteral("module"),
                                  QStringLiteral("One more settings module, named <type>.json and dated "
                                                 "like the folder's; it wins over the folder's module of "
                                                 "its type. Repeatable."),
                                  QStringLiteral("FILE"));
  const QCommandLineOption createdAt(QStringLiteral("created-at"),
                                     QStringLiteral("\"createdAt\" of every module, as given."),
                                     QStringLiteral("TEXT"));
  const QCommandLineOption programDate(QStringLiteral("program-date"),
                                       QStringLiteral("Date of the newest program (yyyy-mm-dd or yymmdd)."),
                                       QStringLiteral("DATE"), QStringLiteral("2026-09-07"));
  const QCommandLineOption program(QStringLiteral("program"),
                                   QStringLiteral("File served as the newest program."),
                                   QStringLiteral("FILE"));
  const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Append one JSON line per request."),
                               QStringLiteral("FILE"));
  const QCommandLineOption fault(
      QStringLiteral("fault"),
      QStringLiteral("PATH=KIND[:ARG] for requests whose path begins with PATH: status:CODE, delay:MS, "
                     "truncate, stall:MS, html, huge:BYTES, chunked:BYTES (huge, chunked), trickle:MS (a "
                     "byte every MS, endless), "
                     "redirect:URL (302 to URL); waits at most 120 s, sizes at most 1 GiB. "
                     "Repeatable."),
      QStringLiteral("PATH=KIND"));
  parser.addOptions({port, modules, module, createdAt, programDate, program, log, fault});
  // The factory services.
  const QCommandLineOption factoryKey(QStringLiteral("factory-key"),
                                      QStringLiteral("Key of the encrypted registration query."),
                                      QStringLiteral("TEXT"));
  const QCommandLineOption factoryIv(QStringLiteral("factory-iv"),
                                     QStringLiteral("Initial counter of the registration query."),
                                     QStringLiteral("TEXT"));
  const QCommandLineOption factoryToken(QStringLiteral("factory-token"),
                                        QStringLiteral("Bearer token the test service expects."),
                                        QStringLiteral("TEXT"));
  const QCommandLineOption registrationAnswer(
      QStringLiteral("registration-answer"),
      QStringLiteral("inserted, updated, error, 500, garbage or hang (default inserted)."),
      QStringLiteral("KIND"), QStringLiteral("inserted"));
  const QCommandLineOption testAnswer(QStringLiteral("test-answer"),
                                      QStringLiteral("ok, 500, garbage, nosn or hang (default ok)."),
                                      QStringLiteral("KIND"), QStringLiteral("ok"));
  const QCommandLineOption hangMs(
      QStringLiteral("hang-ms"),
      QStringLiteral("A hanging factory answer hangs up after MS (at most 120000)."), QStringLiteral("MS"),
      QStringLiteral("40000"));
  parser.addOptions({factoryKey, factoryIv, factoryToken, registrationAnswer, testAnswer, hangMs});
  parser.process(app);

  TWebSimOptions options;
  options.ModulesFolder = parser.value(modules);
  options.ModuleFiles = parser.values(module);
  options.CreatedAt = parser.value(createdAt);
  QString date = parser.value(programDate);
  if (date.size() == 6)
    date = QStringLiteral("20%1-%2-%3").arg(date.left(2), date.mid(2, 2), date.mid(4, 2));
  options.ProgramDate = QDate::fromString(date, QStringLiteral("yyyy-MM-dd"));
  if (!options.ProgramDate.isValid()) {
    std::fprintf(stderr, "velmora-websim: bad --program-date\n");
    return 2;
  }
  options.ProgramFile = parser.value(program);
  options.LogFile = parser.value(log);
  for (const QString& text : parser.values(fault)) {
    TWebFault f;
    QString error;
    if (!TWebFault::Parse(text, &f, &error)) {
      std::fprintf(stderr, "velmora-websim: %s\n", qPrintable(error));
      return 2;
    }
    options.Faults.append(f);
  }

  options.Factory.Key = parser.value(factoryKey);
  options.Factory.IV = parser.value(factoryIv);
  options.Factory.Token = parser.value(factoryToken);
  options.Factory.RegistrationAnswer = parser.value(registrationAnswer);
  options.Factory.TestAnswer = parser.value(testAnswer);
  options.Factory.HangMs = qBound(0, parser.value(hangMs).toInt(), 120000);
  if (!TFactorySim::IsAnswer(options.Factory.RegistrationAnswer, true) ||
      !TFactorySim::IsAnswer(options.Factory.TestAnswer, false)) {
    std::fprintf(stderr, "velmora-websim: bad --registration-answer or --test-answer\n");
    return 2;
  }

  TWebSim sim(options);
  const QString base = sim.Start(quint16(parser.value(port).toUInt()));
  if (base.isEmpty()) {
    std::fprintf(stderr, "velmora-websim: cannot listen on 127.0.0.1:%s\n", qPrintable(parser.value(port)));
    return 1;
  }
  std::printf("%s\n", qPrintable(base));
  std::fflush(stdout);

  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) == 0) {
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
  }
  return QCoreApplication::exec();
}
