// The front door: dialects, configuration, Process and ProcessFile.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "MarkdownCommonMark.h"
#include "MarkdownDaringFireball.h"
#include "MarkdownTxtMark.h"
#include "TestSupport.h"

namespace glyphmill::test {
namespace {

TEST(Processor, CreateDialectMakesTheMatchingClass) {
  auto daring = TMarkdownProcessor::CreateDialect(mdDaringFireball);
  auto common = TMarkdownProcessor::CreateDialect(mdCommonMark);
  auto txt = TMarkdownProcessor::CreateDialect(mdTxtMark);
  EXPECT_NE(dynamic_cast<TMarkdownDaringFireball*>(daring.get()), nullptr);
  EXPECT_EQ(dynamic_cast<TMarkdownCommonMark*>(daring.get()), nullptr);
  EXPECT_NE(dynamic_cast<TMarkdownCommonMark*>(common.get()), nullptr);
  EXPECT_NE(dynamic_cast<TMarkdownTxtMark*>(txt.get()), nullptr);
  EXPECT_EQ(daring->config().GetDialect(), mdDaringFireball);
  EXPECT_EQ(common->config().GetDialect(), mdCommonMark);
  EXPECT_EQ(txt->config().GetDialect(), mdTxtMark);
}

// mdGitHub is unknown too until its library registers it, which this program never does.
TEST(Processor, UnknownDialectIsRefused) {
  for (int ordinal : {3, 7, 8, -1, 100}) {
    SCOPED_TRACE(ordinal);
    try {
      TMarkdownProcessor::CreateDialect(static_cast<TMarkdownProcessorDialect>(ordinal));
      FAIL() << "no exception";
    } catch (const std::invalid_argument& error) {
      EXPECT_STREQ(error.what(), "Unknown Markdown dialect");
    }
  }
}

// Only dialects outside the engine take a factory; the engine's own stay its own.
TEST(Processor, RegisteredFactoryMakesItsDialect) {
  const TDialectFactory factory = [] { return TMarkdownProcessor::CreateDialect(mdTxtMark); };
  for (int ordinal : {0, 1, 2, 8, -1}) {
    SCOPED_TRACE(ordinal);
    EXPECT_THROW(registerDialectFactory(static_cast<TMarkdownProcessorDialect>(ordinal), factory),
                 std::invalid_argument);
  }
  EXPECT_EQ(TMarkdownProcessor::CreateDialect(mdCommonMark)->config().GetDialect(), mdCommonMark);
  const auto outside = static_cast<TMarkdownProcessorDialect>(6);
  registerDialectFactory(outside, factory);
  EXPECT_EQ(TMarkdownProcessor::CreateDialect(outside)->config().GetDialect(), mdTxtMark);
}

TEST(Processor, SafeModeFollowsAllowUnsafe) {
  for (auto dialect : {mdDaringFireball, mdCommonMark, mdTxtMark}) {
    auto processor = TMarkdownProcessor::CreateDialect(dialect);
    EXPECT_FALSE(processor->GetAllowUnsafe());
    EXPECT_TRUE(processor->config().safeMode);
    processor->SetAllowUnsafe(true);
    EXPECT_TRUE(processor->GetAllowUnsafe());
    EXPECT_FALSE(processor->config().safeMode);
  }
}

TEST(Configuration, DefaultsAndDialectSets) {
  TConfiguration config(false);
  EXPECT_FALSE(config.safeMode);
  EXPECT_TRUE(config.allowSpacesInFencedDelimiters);
  EXPECT_FALSE(config.panicMode);
  EXPECT_NE(config.decorator, nullptr);
  EXPECT_EQ(config.codeBlockEmitter, nullptr);
  EXPECT_EQ(config.specialLinkEmitter, nullptr);
  EXPECT_EQ(config.GetDialect(), mdDaringFireball);
  EXPECT_FALSE(config.isDialect({mdCommonMark, mdTxtMark}));
  config.SetDialect(mdTxtMark);
  EXPECT_TRUE(config.isDialect({mdCommonMark, mdTxtMark}));
  EXPECT_FALSE(config.isDialect({mdCommonMark}));
}

// Hooks that record when they are destroyed.
std::vector<std::string>* destroyed = nullptr;
struct RecordingDecorator : TDecorator {
  ~RecordingDecorator() override { destroyed->push_back("decorator"); }
};
struct RecordingBlockEmitter : TBlockEmitter {
  ~RecordingBlockEmitter() override { destroyed->push_back("codeBlockEmitter"); }
  void emitBlock(std::u16string&, const std::vector<std::u16string>&, const std::u16string&) override {}
};
struct RecordingSpanEmitter : TSpanEmitter {
  ~RecordingSpanEmitter() override { destroyed->push_back("specialLinkEmitter"); }
  void emitSpan(std::u16string&, const std::u16string&) override {}
};

TEST(Configuration, DestroysItsHooksInOrder) {
  std::vector<std::string> order;
  destroyed = &order;
  {
    TConfiguration config(true);
    config.decorator = std::make_unique<RecordingDecorator>();
    config.codeBlockEmitter = std::make_unique<RecordingBlockEmitter>();
    config.specialLinkEmitter = std::make_unique<RecordingSpanEmitter>();
  }
  EXPECT_EQ(order, (std::vector<std::string>{"codeBlockEmitter", "decorator", "specialLinkEmitter"}));
  destroyed = nullptr;
}

TEST(Processor, BlankSourcesGiveNothing) {
  for (auto dialect : {mdDaringFireball, mdCommonMark, mdTxtMark}) {
    for (const char* text : {"", "\n\n", "  \r\n   \n\t\n"}) {
      EXPECT_EQ(convert(text, dialect), "") << dialectName(dialect) << " " << text;
    }
  }
}

TEST(Processor, TheProfileSwitchGovernsTheWholeText) {
  const std::string table = "a | b\n--|--\n";
  EXPECT_NE(convert(table, mdCommonMark).find("<table>"), std::string::npos);
  const std::string switched = convert(table + "\n[$profile$]: extended\n", mdCommonMark);
  EXPECT_EQ(switched.find("<table>"), std::string::npos);
  EXPECT_EQ(switched.find("profile"), std::string::npos);
  EXPECT_EQ(convert(table + "\n[$profile$]: extended\n", mdTxtMark), switched);
}

TEST(Processor, SameSeedSameOutput) {
  const std::string mail = "<someone@example.org>";
  EXPECT_EQ(convert(mail, mdCommonMark, false, 7), convert(mail, mdCommonMark, false, 7));
  // Over enough characters two seeds choose differently somewhere.
  const std::string longMail = "<" + std::string(64, 'a') + "@example.org>";
  EXPECT_NE(convert(longMail, mdCommonMark, false, 1), convert(longMail, mdCommonMark, false, 2));
}

class TempFile {
 public:
  explicit TempFile(const std::string& bytes) {
    path_ = (std::filesystem::temp_directory_path() /
             ("glyphmill-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".md"))
                .string();
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(Decoding, ByteOrderMarksExplicitEncodingsAndTheFallback) {
  struct Row {
    const char* name;
    std::string bytes;
    std::string encoding;
    std::u16string expected;
  };
  for (const Row& row : std::vector<Row>{
           {"utf-8", "caf\xC3\xA9", "", u"café"},
           {"utf-8 mark", "\xEF\xBB\xBF" "caf\xC3\xA9", "", u"café"},
           {"utf-16le mark", std::string("\xFF\xFE" "a\0\xE9\0", 6), "", u"aé"},
           {"utf-16be mark", std::string("\xFE\xFF\0a\0\xE9", 6), "", u"aé"},
           {"windows-1252 fallback", "caf\xE9 \x80", "", u"café €"},
           {"explicit", std::string("a\0b\0", 4), "UTF-16LE", u"ab"},
           {"explicit 8-bit", "\xE9", "ISO-8859-1", u"é"},
           {"empty", "", "", u""},
       }) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(decodeText(row.bytes, row.encoding), row.expected);
  }
  EXPECT_THROW(decodeText("x", "no-such-encoding"), std::runtime_error);
}

// Long texts are decoded a few thousand bytes at a time. A character, or a
// broken sequence, that stands across the end of such a piece at any offset
// decodes as it does in a short text: the characters, or the fallback.
TEST(Decoding, CharactersAcrossThePiecesOfALongText) {
  struct Row {
    const char* name;
    std::string bytes;
    bool valid;
  };
  const std::vector<Row> rows{
      {"two bytes", "\xC3\xA9", true},
      {"three bytes", "\xE2\x82\xAC", true},
      {"four bytes", "\xF0\x9F\x98\x80", true},
      {"lead without its last byte", "\xE2\x82" "a", false},
      {"lone lead", "\xF0" "a", false},
      {"stray continuation bytes", "\x80\x80\x80\x80\x80", false},
      {"character, then stray bytes", "\xF0\x9F\x98\x80\x80\x80\x80\x80", false},
  };
  for (const Row& row : rows) {
    for (std::size_t before = 4080; before <= 4100; ++before) {
      SCOPED_TRACE(std::string(row.name) + " after " + std::to_string(before) + " bytes");
      const std::string bytes = std::string(before, 'a') + row.bytes + std::string(3000, 'b');
      const std::u16string decoded = decodeText(bytes, "");
      if (row.valid) {
        EXPECT_EQ(decoded, fromUtf8(bytes));
      } else {
        EXPECT_EQ(decoded, decodeText(bytes, "windows-1252"));
      }
    }
  }
}

TEST(ProcessFile, EndsEveryLineWithCrLfAndConverts) {
  auto processor = TMarkdownProcessor::CreateDialect(mdCommonMark);
  TempFile noBreak("# Title\ntext");
  EXPECT_EQ(processor->ProcessFile(noBreak.path()),
            TMarkdownProcessor::CreateDialect(mdCommonMark)->Process(u"# Title\ntext\r\n"));
  TempFile marked("\xEF\xBB\xBF*caf\xC3\xA9*\r\n");
  EXPECT_EQ(S(processor->ProcessFile(marked.path())), "<p><em>café</em></p>\n");
  TempFile latin("*caf\xE9*");
  EXPECT_EQ(S(processor->ProcessFile(latin.path())), "<p><em>café</em></p>\n");
}

TEST(ProcessFile, AMissingFileNamesTheFileAndTheReason) {
  auto processor = TMarkdownProcessor::CreateDialect(mdCommonMark);
  const std::string missing = "/nonexistent/glyphmill/none.md";
  try {
    processor->ProcessFile(missing);
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find(missing), std::string::npos) << message;
    EXPECT_NE(message.find("No such file"), std::string::npos) << message;
  }
}

TEST(Text, Utf8RoundTripAndBrokenInput) {
  const std::u16string text = u"a\u00e9\u20ac\U0001F600";
  EXPECT_EQ(fromUtf8(toUtf8(text)), text);
  EXPECT_EQ(fromUtf8("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(toUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

// Texts of every length around the four- and eight-unit steps, ASCII and
// not, go through the fast paths and the slow ones.
TEST(Text, Utf8AtEveryAlignment) {
  const std::string pieces[] = {"abc", "\xC3\xA9", "defgh", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "x"};
  std::string bytes;
  for (int i = 0; i < 40; ++i) {
    bytes += pieces[(i * 7) % 6];
    EXPECT_EQ(toUtf8(fromUtf8(bytes)), bytes) << i;
  }
  EXPECT_EQ(fromUtf8("abcdefg" "\xFF" "hijklmnop"), u"abcdefg\uFFFDhijklmnop");
  EXPECT_EQ(toUtf8(u"abcd\xDC00" "efgh\xD800"), "abcd\xEF\xBF\xBD" "efgh\xEF\xBF\xBD");
}

// A long ASCII run, taken sixteen units at a time, with one other character
// at every position: the last ASCII character, one just above ASCII, one
// whose low byte is ASCII, a high one, and a broken byte.
TEST(Text, Utf8SixteenAtATime) {
  struct Row {
    std::string bytes;
    std::u16string units;
  };
  const Row others[] = {{"\x7F", u"\x7F"},
                        {"\xC2\x80", u"\x80"},
                        {"\xC4\x80", u"\x100"},
                        {"\xE8\x80\x80", u"\x8000"},
                        {"\xF0\x9F\x98\x80", u"\U0001F600"}};
  for (const Row& other : others) {
    for (std::size_t at = 0; at <= 40; ++at) {
      SCOPED_TRACE(other.bytes + " at " + std::to_string(at));
      const std::string bytes = std::string(at, 'a') + other.bytes + std::string(40 - at, 'b');
      const std::u16string units =
          std::u16string(at, u'a') + other.units + std::u16string(40 - at, u'b');
      EXPECT_EQ(fromUtf8(bytes), units);
      EXPECT_EQ(toUtf8(units), bytes);
      std::string buffer;
      const std::size_t size = toUtf8(units, buffer);
      EXPECT_EQ(buffer.substr(0, size), bytes);
    }
  }
  for (std::size_t at = 0; at <= 40; ++at) {
    const std::string broken = std::string(at, 'a') + "\xFF" + std::string(40 - at, 'b');
    EXPECT_EQ(fromUtf8(broken), std::u16string(at, u'a') + u"\uFFFD" + std::u16string(40 - at, u'b'))
        << at;
  }
}

TEST(Text, Utf8IntoAReusedBuffer) {
  std::string buffer;
  const std::size_t longer = toUtf8(u"a long piece of text, \u00e9\U0001F600", buffer);
  EXPECT_EQ(buffer.substr(0, longer), "a long piece of text, \xC3\xA9\xF0\x9F\x98\x80");
  const std::size_t shorter = toUtf8(u"\u20ac!", buffer);
  EXPECT_EQ(buffer.substr(0, shorter), "\xE2\x82\xAC!");
  EXPECT_EQ(toUtf8(u"", buffer), 0u);
}

// The size limit holds while reading: a file at the limit is read whole, one
// byte more (or an endless device) is refused as too large.
TEST(Processor, ReadingAFileStopsPastItsLimit) {
  const auto path = std::filesystem::temp_directory_path() / ("glyphmill-limit-" + std::to_string(::getpid()));
  struct Row {
    std::size_t size;
    std::size_t limit;
    bool fits;
  };
  const Row rows[] = {{0, 0, true}, {1, 0, false}, {5, 5, true}, {6, 5, false},
                      {(1u << 16) + 1, 1u << 16, false}, {3u << 16, 3u << 16, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    std::ofstream(path, std::ios::binary) << std::string(row.size, 'x');
    if (row.fits) {
      EXPECT_EQ(readFileBytes(path.string(), row.limit), std::string(row.size, 'x'));
    } else {
      try {
        readFileBytes(path.string(), row.limit);
        ADD_FAILURE() << "read beyond the limit";
      } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), path.string() + ": " + tooLargeMessage(row.limit));
      }
    }
  }
  std::filesystem::remove(path);
  EXPECT_THROW(readFileBytes("/dev/zero", 1u << 20), std::runtime_error);
  EXPECT_EQ(tooLargeMessage(1u << 20), "too large (more than 1 MiB)");
  EXPECT_EQ(tooLargeMessage(kMaxTextBytes), "too large (more than 1 GiB)");
  EXPECT_EQ(tooLargeMessage(5), "too large (more than 5 bytes)");
}

}  // namespace
}  // namespace glyphmill::test
