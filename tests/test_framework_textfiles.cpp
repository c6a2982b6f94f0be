// Text files by bare name in the data folder: lines written and read back,
// unsafe contents read safely, a failed write keeping the old file.
#include <QFile>

#include "framework/TextFile.h"
#include "testsupport.h"

using testing_tm::GameTest;

class TextFiles : public GameTest {};

TEST_F(TextFiles, WriteThenReadLinesByBareName) {
  FolderItem f = GetFolderItem("mydata.txt", 0);
  EXPECT_FALSE(f.Exists());
  auto out = f.CreateTextFile();
  ASSERT_TRUE(out);
  out->WriteLine("first");
  out->WriteLine("");
  out->WriteLine("third");
  EXPECT_FALSE(f.Exists()) << "nothing replaces the file before Close";
  EXPECT_TRUE(out->Close());
  EXPECT_TRUE(f.Exists());
  auto in = f.OpenAsTextFile();
  ASSERT_TRUE(in);
  EXPECT_EQ(in->ReadLine(), "first");
  EXPECT_EQ(in->ReadLine(), "");
  EXPECT_EQ(in->ReadLine(), "third");
  EXPECT_EQ(in->ReadLine(), "") << "an exhausted file gives empty lines";
  EXPECT_TRUE(in->AtEnd());
}

TEST_F(TextFiles, CrLfHugeLinesAndBinaryAreReadSafely) {
  QByteArray bytes("a\r\nb\rc\n");
  bytes += QByteArray(TextInputStream::kMaxLine * 3, 'x') + "\nend\n";
  bytes += QByteArray(TextInputStream::kMaxBytes, '\0');
  QFile raw(dataPath("mygame.txt"));
  ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
  raw.write(bytes);
  raw.close();
  auto in = GetFolderItem("mygame.txt").OpenAsTextFile();
  EXPECT_EQ(in->ReadLine(), "a");
  EXPECT_EQ(in->ReadLine(), "b");
  EXPECT_EQ(in->ReadLine(), "c");
  EXPECT_EQ(in->ReadLine().size(), TextInputStream::kMaxLine);
  EXPECT_EQ(in->ReadLine(), "end");
  int lines = 0;
  while (!in->AtEnd() && lines < 100000) {
    in->ReadLine();
    ++lines;
  }
  EXPECT_TRUE(in->AtEnd()) << "reading stops after the byte budget";
}

TEST_F(TextFiles, FailedWriteKeepsTheOldFile) {
  writeDataFile("mydata.txt", {"old"});
  {
    auto out = GetFolderItem("mydata.txt").CreateTextFile();
    out->WriteLine("new");
    // Destroyed without Close: as if the program died mid-write.
  }
  EXPECT_EQ(readDataFile("mydata.txt"), QStringList{"old"});
  // A disk that fills up half-way: the write is refused, and said so.
  {
    testing_tm::FileSizeLimit limit(5);
    ASSERT_TRUE(limit.ok());
    auto out = GetFolderItem("mydata.txt").CreateTextFile();
    ASSERT_TRUE(out);
    out->WriteLine("new line one");
    out->WriteLine("new line two");
    EXPECT_FALSE(out->Close());
  }
  EXPECT_EQ(readDataFile("mydata.txt"), QStringList{"old"});
}
