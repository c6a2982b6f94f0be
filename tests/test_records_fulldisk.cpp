// Both data files on a full disk: every writer runs in a child process under
// a file-size limit, where each write to the disk fails as on a full file
// system. The old file stays byte for byte, the writer says it failed, and
// the player is told so.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/Module1.h"
#include "game/Window1.h"
#include "records/savedgame.h"
#include "records/scorefile.h"
#include "testsupport.h"

using namespace Module1;

namespace {

using testing_tm::GameTest;

struct ChildRun {
  bool exited = false;  // the child ended normally
  bool ok = false;      // what the writer returned
  QStringList messages;
};

class FullDisk : public GameTest {
 protected:
  // Runs the writer in a child process whose files may grow to at most
  // `limit` bytes, SIGXFSZ ignored so that a write beyond it fails with EFBIG
  // instead of ending the process. The limit never touches the test runner.
  ChildRun writeUnderLimit(rlim_t limit, const std::function<bool()>& writer) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      rlimit lim{};
      getrlimit(RLIMIT_FSIZE, &lim);
      lim.rlim_cur = limit;
      signal(SIGXFSZ, SIG_IGN);
      if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(3);
      messages().clear();
      const bool ok = writer();
      const QByteArray report = (QStringList{ok ? "ok" : "failed"} + messages()).join(u'\n').toUtf8();
      const bool sent = write(fds[1], report.constData(), size_t(report.size())) == report.size();
      _exit(sent ? 0 : 4);
    }
    close(fds[1]);
    QByteArray report;
    char buf[512];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) report.append(buf, n);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ChildRun run;
    run.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    QStringList lines = QString::fromUtf8(report).split(u'\n');
    run.ok = lines.takeFirst() == "ok";
    run.messages = lines;
    return run;
  }

  QByteArray bytes(const QString& name) const {
    QFile f(dataPath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
  }
  QStringList files() const { return QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden); }
};

void sampleTable() {
  for (int k = 0; k < kScores; ++k) {
    scorename[size_t(k)] = QStringLiteral("player %1").arg(k);
    scorenum[size_t(k)] = 900 - 10 * k;
    scoredate[size_t(k)] = QStringLiteral("1/2/2026");
  }
}

// Limits below each file's size: nothing at all, and a file cut part-way.
constexpr rlim_t kLimits[] = {0, 256};

TEST_F(FullDisk, EachWriterKeepsTheOldFileAndSaysItFailed) {
  Window1* game = win::Window1();
  struct Writer {
    const char* what;
    QString file;
    std::function<bool()> write;
    QString failed;
  };
  const Writer writers[] = {
      {"score file", kScoreFileName, [] { return saveScoreFile(); }, kScoreSaveFailed},
      {"saved game", kSavedGameName,
       [&] {
         game->savegame();
         return !messages().isEmpty() && messages().last() == kGameSaved;
       },
       kGameSaveFailed},
  };
  sampleTable();
  for (const Writer& w : writers) {
    SCOPED_TRACE(w.what);
    messages().clear();
    ASSERT_TRUE(w.write()) << "without a limit the write succeeds";
    const QByteArray old = bytes(w.file);
    const QStringList before = files();
    // Something new to write, so that a write that got through would show.
    scorename[0] = QStringLiteral("newer");
    monisac[0] = 5;
    for (rlim_t limit : kLimits) {
      SCOPED_TRACE(limit);
      const ChildRun run = writeUnderLimit(limit, w.write);
      ASSERT_TRUE(run.exited);
      EXPECT_FALSE(run.ok);
      EXPECT_EQ(run.messages, QStringList{w.failed});
      EXPECT_EQ(bytes(w.file), old);
      EXPECT_EQ(files(), before) << "no temporary file is left behind";
    }
  }
}

// A score file this game did not write is moved aside before the first
// write; when that write fails, it comes back under its own name before the
// player is told the previous high scores are kept.
TEST_F(FullDisk, UnreadableScoreFileComesBackUnderItsOwnName) {
  sampleTable();
  ASSERT_TRUE(saveScoreFile());
  QStringList lines = readDataFile(kScoreFileName);
  lines[7][1] = lines[7][0];  // the second header letter no longer the next one
  writeDataFile(kScoreFileName, lines);
  const QByteArray foreign = bytes(kScoreFileName);
  for (rlim_t limit : kLimits) {
    SCOPED_TRACE(limit);
    const ChildRun run = writeUnderLimit(limit, [] { return saveScoreFile(); });
    ASSERT_TRUE(run.exited);
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.messages, QStringList{kScoreSaveFailed});
    EXPECT_EQ(bytes(kScoreFileName), foreign);
    EXPECT_EQ(files(), QStringList{kScoreFileName}) << "nothing left aside";
  }
}

}  // namespace
