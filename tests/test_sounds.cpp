// Every sound the game plays, with sound on and off, through the game's own
// handlers; and the mix that the audio stream plays.
#include <functional>
#include <map>
#include <set>

#include "records/scores.h"

#include "gameplay.h"
#include "game/sounds.h"

using namespace Module1;

namespace {

using testing_tm::PlayTest;

using Accessor = Sound* (*)();
const std::map<std::string, Accessor> kAll = {
    {"boing", _x_boing},   {"catch1", _x_catch1}, {"endoflevel", _x_endoflevel},
    {"newman", _x_newman}, {"push", _x_push},     {"scb", _x_scb},
    {"squash", _x_squash}};

class Sounds : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    splay = true;
    open(1.0);
  }

  // Play halted on an empty board with the hero on (7,6); robots gone.
  void still() {
    stopall();
    emptyboard();
    totalmons = monsleft = 1;
    monsactive = monstrapped = 0;
    lives = 3;
    displayscore = false;
    waittomove = {};
    for (qint64 k = 0; k < kRobots; ++k) {
      monisac[size_t(k)] = monisup[size_t(k)] = 0;
      w->monsismoving[size_t(k)] = movenone;
      extrabitac[size_t(k)] = extrabitup[size_t(k)] = 0;
      monicon[size_t(k)] = monsleftpic(k);
    }
    putman(7, 6);
  }

  void tickwith(int key) {
    w->lastmanpush = Ticks() - 100;
    press(key);
    w->Timer1_Action();
    release(key);
  }

  static void blocks(std::initializer_list<std::pair<qint64, qint64>> cells) {
    for (auto [x, y] : cells) space(x, y) = cellblock;
  }
  static void blockaround(qint64 x, qint64 y) {
    for (qint64 dx = -1; dx <= 1; ++dx)
      for (qint64 dy = -1; dy <= 1; ++dy)
        if (space(x + dx, y + dy) == cellempty) space(x + dx, y + dy) = cellblock;
  }

  static std::map<std::string, int> counts() {
    std::map<std::string, int> out;
    for (const auto& [name, sound] : kAll) out[name] = sound()->playCount();
    return out;
  }
};

// The rule "a sound plays only when sound is on", for each of the game's
// sounds; the level-end sound plays also with sound off. A row names every
// sound its action plays (a squash comes with the push that made it).
TEST_F(Sounds, EachPlaysOnlyWithSoundOnButTheLevelEnd) {
  struct Row {
    const char* what;
    std::set<std::string> plays;
    bool always;
    std::function<void()> action;
  };
  const Row rows[] = {
      {"a push", {"push"}, false, [&] {
         blocks({{6, 6}});
         tickwith(fw::kKeyZ);
       }},
      {"a bounce from the border", {"boing"}, false, [&] {
         blocks({{1, 6}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}});
         tickwith(fw::kKeyZ);
       }},
      {"a robot squashed by a push", {"squash", "push"}, false, [&] {
         blocks({{6, 6}});
         putrobot(0, 5, 6);
         blockaround(5, 6);
         tickwith(fw::kKeyZ);
       }},
      {"a robot catches the hero", {"catch1"}, false, [&] {
         putrobot(1, 8, 6);
         w->checkcatch(8, 6, 7, 6, 1);
       }},
      {"the level's last robot squashed", {"endoflevel"}, true, [&] {
         w->scorelabel()->setText(QStringLiteral("120"));
         w->timerlabel()->setText(QStringLiteral("37"));
         w->calcscore();
       }},
      {"a robot comes back in a squashed one's place", {"newman"}, false, [&] {
         totalmons = monsleft = 5;
         monsactive = 3;
         const qint64 at[4][2] = {{2, 2}, {12, 2}, {2, 11}, {12, 11}};
         for (qint64 k = 0; k < kRobots; ++k) putrobot(k, at[k][0], at[k][1]);
         for (const auto& c : at) blockaround(c[0], c[1]);
         space(2, 11) = cellblock;  // robot 2 squashed
         monisac[2] = monisup[2] = monsgone;
         ++monstrapped;
         --monsleft;
         w->monstimer_Action();
       }},
      {"the high-score window opens", {"scb"}, false, [&] {
         w->scorelabel()->setText(QStringLiteral("0"));
         newname = QString();
         win::scores()->Close();
       }},
  };
  std::set<std::string> covered;
  for (const Row& row : rows) {
    for (bool on : {true, false}) {
      SCOPED_TRACE(testing::Message() << row.what << (on ? ", sound on" : ", sound off"));
      still();
      splay = on;
      const auto before = counts();
      row.action();
      const auto after = counts();
      for (const auto& [name, n] : before) {
        const bool heard = row.plays.count(name) && (on || row.always);
        EXPECT_EQ(after.at(name) - n, heard ? 1 : 0) << name;
      }
    }
    covered.insert(row.plays.begin(), row.plays.end());
  }
  EXPECT_EQ(covered.size(), kAll.size()) << "a row for every sound";
}

// The audio stream's mix, read as the stream reads it: each sound whole from
// its first sample, at its volume, several at once summed; a sound counts as
// playing until its last sample has been read, and a play restarts it.
TEST(SoundMix, EachPlayIsMixedWholeAndPlaysUntilItsLastSample) {
  struct StandIn {
    StandIn() { fw::setMixerStandIn(true); }
    ~StandIn() { fw::setMixerStandIn(false); }
  } standin;
  Sound one(std::vector<qint16>{1000, -2000, 3000, -4000, 5000});
  Sound two(std::vector<qint16>{30000, 30000});
  ASSERT_TRUE(one.audible());
  two.setVolume(50);
  std::vector<qint16> out(4);
  fw::mixForTests(out.data(), 4);
  EXPECT_EQ(out, (std::vector<qint16>{0, 0, 0, 0})) << "silence while nothing plays";

  one.Play();
  EXPECT_TRUE(one.IsPlaying());
  fw::mixForTests(out.data(), 2);
  two.Play();
  fw::mixForTests(out.data() + 2, 2);
  EXPECT_EQ(out, (std::vector<qint16>{1000, -2000, 18000, 11000})) << "a sum at volume 50";
  EXPECT_TRUE(one.IsPlaying());
  EXPECT_FALSE(two.IsPlaying()) << "its last sample has gone to the stream";
  one.Play();  // restarts from the beginning
  std::vector<qint16> rest(6);
  fw::mixForTests(rest.data(), 6);
  EXPECT_EQ(rest, (std::vector<qint16>{1000, -2000, 3000, -4000, 5000, 0}));
  EXPECT_FALSE(one.IsPlaying());

  // Summed beyond the 16-bit range, the mix is clipped, not wrapped.
  Sound loud(std::vector<qint16>{30000, -30000});
  two.setVolume(100);
  loud.Play();
  two.Play();
  std::vector<qint16> clipped(2);
  fw::mixForTests(clipped.data(), 2);
  EXPECT_EQ(clipped, (std::vector<qint16>{32767, 0}));
}

}  // namespace
