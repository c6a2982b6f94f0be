// Every sound the game plays, with sound on and off, through the game's own
// handlers.
#include <functional>
#include <map>
#include <set>

#include "core/sounds.h"
#include "gameplay.h"
#include "records/scores.h"

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

  static void blocks(std::initializer_list<std::pair<qint64, qint64>> cells) {
    for (auto [x, y] : cells) space(x, y) = cellblock;
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
         squash(2);
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
      still(7, 6);
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

}  // namespace
