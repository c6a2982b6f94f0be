// Unscrambling any line, and scrambling any text, keeps the codec's promises.
#include <cstdlib>

#include "framework/Random.h"
#include "framework/testseams.h"
#include "lines.h"
#include "records/codec.h"

namespace {

bool hexLine(const QString& s) {
  if (s.size() % 2 != 0 || s.size() < 2) return false;
  for (QChar c : s)
    if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) return false;
  return true;
}

// Codes 20 to 255 and the tab, at most 300 characters: carried pair by pair
// (a shorter prefix for a longer text), a tab read back as a space.
bool inDomain(const QString& s) {
  if (s.size() > 300) return false;
  for (QChar c : s)
    if (c.unicode() != 9 && (c.unicode() < 20 || c.unicode() > 255)) return false;
  return true;
}

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fw::testing::setDefaultSeed(fuzzSeed(data, size));
  const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString text = decpw(input);
  check(text.size() <= input.size());

  const QString line = encpw(input);
  check(hexLine(line));
  check(writtenBackWhole(line));  // a score file of such lines is never kept aside
  const QString back = decpw(line);
  check(back.toUtf8().size() <= codec::kMaxLongBytes);
  if (inDomain(input)) {
    QString expected = input;
    expected.replace(u'\t', u' ');
    check(back == expected);
  } else if (input.toUtf8().size() <= codec::kMaxLongBytes) {
    check(back == input);  // any other text comes back exactly, tabs included
  }
  return 0;
}
