// Start-up shared by every test program.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QStandardPaths>
#include <QTextStream>
#include <csignal>

#include "app/startup.h"
#include "core/Module1.h"
#include "core/Tarrow.h"
#include "framework/Controls.h"
#include "framework/Media.h"
#include "framework/TextFile.h"
#include "framework/Window.h"
#include "framework/testseams.h"
#include "testsupport.h"

namespace testing_tm {

namespace {
QStringList g_messages;

void recordBoxes() {
  fw::testing::setMsgBoxHook([](const QString& text) { g_messages << text; });
}

// Every test starts from the same seams: virtual time at 0, no key held, the
// build tree's assets, silent sounds, message boxes recorded in messages(),
// modal windows closed at once, a fixed date. Whatever a test set goes.
class SeamsPerTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    fw::testing::resetAll();
    fw::testing::setVirtualTime(true);
    fw::testing::setVirtualNow(0);
    fw::testing::setAssetFolders({QStringLiteral(TM_TEST_ASSET_DIR)});
    fw::testing::setSilentSounds(true);
    g_messages.clear();
    recordBoxes();
    fw::testing::setModalHook([](fw::Window* w) { w->Close(); });
    fw::testing::setShortDate(QStringLiteral("10/12/2026"));
  }
};

}  // namespace

QStringList controlNames(const fw::Window* w) {
  QStringList names;
  for (const QWidget* c : w->content()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    names << c->objectName();
  return names;
}

bool quitAsked() {
  QEventLoop probe;
  QTimer::singleShot(0, &probe, [&probe] { probe.exit(0); });
  if (probe.exec() != -1) return false;
  // Left pending, the exit would end every later event loop (a modal
  // window's, a nested one) at once: the main loop runs once to take it, as
  // the game's own main loop does.
  QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
  return true;
}

void GameTest::SetUp() {
  // Close whatever an earlier test left open, without running its handlers' effects on us.
  for (fw::Window* w : fw::WindowRegistry::all()) w->Close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  quitAsked();
  g_messages.clear();  // what those windows said is not this test's
  dir_ = std::make_unique<QTemporaryDir>();
  ASSERT_TRUE(dir_->isValid());
  fw::testing::setDataFolder(dir_->path());
  Module1::initialise();
  App().Randomizer = std::make_unique<Random>(12345);
}

void GameTest::TearDown() {
  for (fw::Window* w : fw::WindowRegistry::all()) w->Close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  quitAsked();
  dir_.reset();
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  getrlimit(RLIMIT_FSIZE, &old_);
  oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
  rlimit lim = old_;
  lim.rlim_cur = bytes;
  ok_ = setrlimit(RLIMIT_FSIZE, &lim) == 0;
}

FileSizeLimit::~FileSizeLimit() {
  setrlimit(RLIMIT_FSIZE, &old_);
  std::signal(SIGXFSZ, oldHandler_);
}

QString GameTest::dataPath(const QString& name) const { return QDir(dir_->path()).filePath(name); }

void GameTest::writeDataFile(const QString& name, const QStringList& lines) const {
  QFile f(dataPath(name));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  for (const QString& l : lines) f.write((l + QLatin1Char('\n')).toUtf8());
}

QStringList GameTest::readDataFile(const QString& name) const {
  QFile f(dataPath(name));
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

QStringList& GameTest::messages() { return g_messages; }

QStringList GameTest::withRealBox(const std::function<void()>& action,
                                  const std::function<void()>& whileUp) {
  QStringList shown;
  QTimer poll;
  poll.setInterval(0);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    shown << box->text();
    if (shown.size() == 1) whileUp();
    box->accept();
  });
  fw::testing::setMsgBoxHook({});
  poll.start();
  action();
  poll.stop();
  recordBoxes();
  return shown;
}

}  // namespace testing_tm

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QStandardPaths::setTestModeEnabled(true);
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarrowmead"));
  fw::testing::setAssetFolders({QStringLiteral(TM_TEST_ASSET_DIR)});
  fw::testing::setSilentSounds(true);
  fw::testing::setVirtualTime(true);
  // The application object as start-up makes it, without opening the start window.
  std::unique_ptr<Tarrow> app(prepareApplication());
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new testing_tm::SeamsPerTest);
  return RUN_ALL_TESTS();
}
