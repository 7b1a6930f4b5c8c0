// The text decoder: single-byte sets, sets without code extensions, ISO 2022 code
// extensions and their delimiters, VRs outside the character set, bad bytes and
// unknown terms, long values, threads; and the ASCII form for file names.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "dicom/DICOM_Text_Decode.h"
#include "dicom/NEMA_Tag_Attribute.h"

static const std::string FFFD = "\xEF\xBF\xBD";  // U+FFFD

namespace {
struct Decode_Case {
  const char *name;
  const char *character_set;
  uint16_t vr;
  std::string bytes;
  std::string utf8;
  int result;
};
}  // namespace

static void Check(const std::vector<Decode_Case> &cases)
{
  for (const Decode_Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::string utf8 = "stale";
    EXPECT_EQ(DICOM_Text_Decode(c.bytes.data(), c.bytes.size(), c.character_set, c.vr, &utf8), c.result);
    EXPECT_EQ(utf8, c.utf8);
  }
}

// ---- single-byte sets -------------------------------------------------------------------------

TEST(TextDecode, single_byte_sets_decode_their_upper_half_and_refuse_their_unused_codes)
{
  Check({
      {"latin 1", "ISO_IR 100", DICOM_VR_PN, "Buc^J\xE9r\xF4me", "Buc^Jérôme", 1},
      {"latin 1 padded term", "ISO_IR 100 ", DICOM_VR_PN, "\xC4neas^R\xFC" "diger ", "Äneas^Rüdiger ", 1},
      {"latin 2", "ISO_IR 101", DICOM_VR_LO, "Wa\xB3\xEAsa", "Wałęsa", 1},
      {"cyrillic", "ISO_IR 144", DICOM_VR_PN, "\xBB\xEE\xDA" "ce\xDC\xD1yp\xD3", "Люкceмбypг", 1},
      {"greek", "ISO_IR 126", DICOM_VR_SH, "\xC4\xE9\xEF\xED\xF5\xF3\xE9\xEF\xF2", "Διονυσιος", 1},
      {"hebrew", "ISO_IR 138", DICOM_VR_PN, "\xF9\xF8\xE5\xEF", "שרון", 1},
      {"latin 9 euro sign", "ISO_IR 203", DICOM_VR_LT, "5 \xA4", "5 €", 1},
      {"katakana in G1", "ISO_IR 13", DICOM_VR_PN, "\xD4\xCF\xC0\xDE^\xC0\xDB\xB3", "ﾔﾏﾀﾞ^ﾀﾛｳ", 1},
      {"greek unused code", "ISO_IR 126", DICOM_VR_PN, "a\xAE" "b", "a" + FFFD + "b", 0},
      {"hebrew unused codes in a run give one mark", "ISO_IR 138", DICOM_VR_PN, "a\xFB\xFC" "b", "a" + FFFD + "b", 0},
      {"byte outside katakana", "ISO_IR 13", DICOM_VR_PN, "\xD4\xE0\xD4", "ﾔ" + FFFD + "ﾔ", 0},
  });
}

TEST(TextDecode, the_default_repertoire_reads_upper_bytes_as_latin_1_but_reports_them)
{
  Check({
      {"ascii, no term", nullptr, DICOM_VR_PN, "Doe^John", "Doe^John", 1},
      {"ascii, empty term", "", DICOM_VR_PN, "Doe^John", "Doe^John", 1},
      {"ascii, ISO_IR 6", "ISO_IR 6", DICOM_VR_LO, "abc", "abc", 1},
      {"upper byte, no term", "", DICOM_VR_PN, "J\xE9r\xF4me", "Jérôme", 0},
      {"empty value", "", DICOM_VR_PN, "", "", 1},
      {"padding and nul kept", "", DICOM_VR_LO, std::string("ab \0", 4), std::string("ab \0", 4), 1},
  });
}

// ---- sets without code extensions ---------------------------------------------------------------

TEST(TextDecode, utf_8_and_the_chinese_sets_take_the_whole_value)
{
  Check({
      {"utf-8", "ISO_IR 192", DICOM_VR_PN, "Wang^XiaoDong=\xE7\x8E\x8B^\xE5\xB0\x8F\xE6\x9D\xB1=",
       "Wang^XiaoDong=王^小東=", 1},
      {"utf-8 ignores later terms", "ISO_IR 192\\ISO 2022 IR 87", DICOM_VR_PN, "\xE7\x8E\x8B", "王", 1},
      {"gb18030", "GB18030", DICOM_VR_PN, "Wang^XiaoDong=\xCD\xF5^\xD0\xA1\xB6\xAB=", "Wang^XiaoDong=王^小东=", 1},
      {"gbk with a backslash as second byte", "GBK", DICOM_VR_LO, "\x81\x5C", "乗", 1},
      {"utf-8 truncated at the end", "ISO_IR 192", DICOM_VR_PN, "a\xE7\x8E", "a" + FFFD, 0},
      {"utf-8 truncated inside", "ISO_IR 192", DICOM_VR_PN, "a\xE7\x8E" "b", "a" + FFFD + "b", 0},
      {"utf-8 overlong form", "ISO_IR 192", DICOM_VR_LO, "\xC0\xAF" "x", FFFD + "x", 0},
      {"utf-8 lone continuation bytes", "ISO_IR 192", DICOM_VR_LO, "x\x80\x80\x80", "x" + FFFD, 0},
      {"utf-8 five-byte lead of old", "ISO_IR 192", DICOM_VR_PN, "\xF9\xBB\xBB\xB0\x8F" "x", FFFD + "x", 0},
      {"utf-8 surrogate", "ISO_IR 192", DICOM_VR_PN, "\xED\xA0\x80", FFFD, 0},
  });
}

// ---- code extensions ----------------------------------------------------------------------------

static const std::string JAPANESE_NAME = "Yamada^Tarou=\x1B$B;3ED\x1B(B^\x1B$BB@O:\x1B(B="
                                         "\x1B$B$d$^$@\x1B(B^\x1B$B$?$m$&\x1B(B";

TEST(TextDecode, escape_sequences_switch_the_sets_of_g0_and_g1)
{
  Check({
      {"person name with three groups", "\\ISO 2022 IR 87", DICOM_VR_PN, JAPANESE_NAME,
       "Yamada^Tarou=山田^太郎=やまだ^たろう", 1},
      {"katakana first, kanji by escape", "ISO 2022 IR 13\\ISO 2022 IR 87", DICOM_VR_PN,
       "\xD4\xCF\xC0\xDE^\xC0\xDB\xB3=\x1B$B;3ED\x1B(J^\x1B$BB@O:\x1B(J", "ﾔﾏﾀﾞ^ﾀﾛｳ=山田^太郎", 1},
      {"korean", "\\ISO 2022 IR 149", DICOM_VR_PN, "Hong^Gildong=\x1B$)C\xFB\xF3^\x1B$)C\xD1\xCE\xD4\xD7",
       "Hong^Gildong=洪^吉洞", 1},
      {"jis x 0212", "\\ISO 2022 IR 159", DICOM_VR_LO, "\x1B$(D\x30\x21\x1B(B", "丂", 1},
      {"gb 2312", "\\ISO 2022 IR 58", DICOM_VR_LO, "\x1B$)A\xCD\xF5", "王", 1},
      {"latin 1 by escape", "ISO 2022 IR 6\\ISO 2022 IR 100", DICOM_VR_PN, "\x1B-AJ\xE9r\xF4me", "Jérôme", 1},
      {"caret inside a two-byte character", "\\ISO 2022 IR 87", DICOM_VR_PN, "\x1B$B$^\x1B(B", "ま", 1},
      {"escape at the end", "\\ISO 2022 IR 87", DICOM_VR_PN, "Yamada\x1B(B", "Yamada", 1},
      {"half of a two-byte character", "\\ISO 2022 IR 87", DICOM_VR_PN, "\x1B$B;3E\x1B(B", "山" + FFFD, 0},
      {"unknown escape sequence", "\\ISO 2022 IR 87", DICOM_VR_PN, "\x1B(Zabc", FFFD + "abc", 0},
      {"lone escape at the end", "\\ISO 2022 IR 87", DICOM_VR_PN, "abc\x1B", "abc" + FFFD, 0},
      {"escape cut after its intermediate byte", "\\ISO 2022 IR 87", DICOM_VR_PN, "abc\x1B$", "abc" + FFFD, 0},
  });
}

TEST(TextDecode, delimiters_return_g0_and_g1_to_the_first_term_by_vr)
{
  const char *greek_extension = "ISO 2022 IR 100\\ISO 2022 IR 126";
  Check({
      {"caret in a name", greek_extension, DICOM_VR_PN, "\x1B-F\xC4^\xC4", "Δ^Ä", 1},
      {"equals sign in a name", greek_extension, DICOM_VR_PN, "\x1B-F\xC4=\xC4", "Δ=Ä", 1},
      {"caret in a long string is text", greek_extension, DICOM_VR_LO, "\x1B-F\xC4^\xC4", "Δ^Δ", 1},
      {"backslash between values", greek_extension, DICOM_VR_LO, "\x1B-F\xC4\\\xC4", "Δ\\Ä", 1},
      {"backslash in a long text is text", greek_extension, DICOM_VR_LT, "\x1B-F\xC4\\\xC4", "Δ\\Δ", 1},
      {"line ends in a long text", greek_extension, DICOM_VR_LT, "\x1B-F\xC4\r\n\xC4", "Δ\r\nÄ", 1},
      {"tab in a short text", greek_extension, DICOM_VR_ST, "\x1B-F\xC4\t\xC4", "Δ\tÄ", 1},
      {"two-byte set ends at a line end", "\\ISO 2022 IR 87", DICOM_VR_LT, "\x1B$B;3\r\n;3", "山\r\n;3", 1},
  });
}

// ---- VRs and terms ------------------------------------------------------------------------------

TEST(TextDecode, vrs_outside_the_character_set_read_latin_1_without_escapes)
{
  Check({
      {"code string", "ISO_IR 144", DICOM_VR_CS, "ORIGINAL\\PRIMARY", "ORIGINAL\\PRIMARY", 1},
      {"upper byte in a code string", "ISO_IR 144", DICOM_VR_CS, "A\xE9", "Aé", 0},
      {"escape in a uid kept as a control", "\\ISO 2022 IR 87", DICOM_VR_UI, "1.2\x1B$B", "1.2\x1B$B", 1},
      {"no vr", "ISO_IR 192", 0, "\xC3\xA9", "Ã©", 0},
  });
}

TEST(TextDecode, unknown_or_misspelt_terms_decode_but_return_0)
{
  Check({
      {"unknown term, ascii value", "ISO_IR 999", DICOM_VR_PN, "Doe", "Doe", 0},
      {"unknown term reads latin 1", "KOI8-R", DICOM_VR_PN, "J\xE9r\xF4me", "Jérôme", 0},
      {"unknown term, empty value", "WINDOWS-1252", DICOM_VR_PN, "", "", 0},
      {"misspelt ISO_IR", "ISO IR 144", DICOM_VR_PN, "\xBB", "Л", 0},
      {"misspelt ISO 2022 IR", "ISO-2022-IR 100", DICOM_VR_PN, "\xE9", "é", 0},
      {"unknown extension term", "ISO 2022 IR 100\\ISO 2022 IR 999", DICOM_VR_PN, "\xE9", "é", 0},
      {"utf-8 as an extension", "ISO 2022 IR 100\\ISO_IR 192", DICOM_VR_PN, "\xE9", "é", 0},
  });
}

// ---- long values and threads --------------------------------------------------------------------

TEST(TextDecode, very_long_values_decode_whole)
{
  std::string latin(100000, '\xE9'), expected;
  for (size_t i = 0; i < latin.size(); i++) expected += "é";
  std::string japanese, japanese_expected;
  for (int i = 0; i < 2000; i++) {
    japanese += "\x1B$B;3ED\x1B(B^";
    japanese_expected += "山田^";
  }
  Check({
      {"latin 1", "ISO_IR 100", DICOM_VR_UT, latin, expected, 1},
      {"japanese", "\\ISO 2022 IR 87", DICOM_VR_UT, japanese, japanese_expected, 1},
      {"a long bad run gives one mark", "ISO_IR 192", DICOM_VR_UT, std::string(50000, '\xFF'), FFFD, 0},
  });
}

TEST(TextDecode, threads_decode_at_once_with_their_own_converters)
{
  std::vector<std::thread> threads;
  std::vector<int> agreed(4, 0);
  for (int t = 0; t < 4; t++) {
    threads.emplace_back([t, &agreed] {
      for (int i = 0; i < 200; i++) {
        std::string utf8;
        DICOM_Text_Decode(JAPANESE_NAME.data(), JAPANESE_NAME.size(), "\\ISO 2022 IR 87", DICOM_VR_PN, &utf8);
        agreed[t] += utf8 == "Yamada^Tarou=山田^太郎=やまだ^たろう";
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  for (int count : agreed) EXPECT_EQ(count, 200);
}

// ---- ASCII ----------------------------------------------------------------------------------------

static bool Printable_ASCII(const std::string &text)
{
  for (char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

TEST(TextToASCII, latin_letters_lose_their_diacritics_whatever_the_locale)
{
  struct {
    std::string utf8, ascii;
  } cases[] = {
      {"Äneas^Rüdiger", "Aneas^Rudiger"}, {"Buc^Jérôme", "Buc^Jerome"}, {"Straße", "Strasse"},
      {"Ærøskøbing", "AEroskobing"},      {"Łódź", "Lodz"},             {"Œuvre", "OEuvre"},
      {"Þór", "THor"},                    {"Dvořák", "Dvorak"},         {"plain ASCII ?*", "plain ASCII ?*"},
      {"", ""},
  };
  for (const auto &c : cases) EXPECT_EQ(DICOM_Text_To_ASCII(c.utf8), c.ascii) << c.utf8;
}

TEST(TextToASCII, controls_and_bytes_that_are_not_utf_8_become_underscores)
{
  EXPECT_EQ(DICOM_Text_To_ASCII("a\tb\nc"), "a_b_c");
  EXPECT_EQ(DICOM_Text_To_ASCII("a\xFF" "b"), "a_b");
  EXPECT_EQ(DICOM_Text_To_ASCII("a\xE7\x8E"), "a__");           // truncated character
  EXPECT_EQ(DICOM_Text_To_ASCII("a\xED\xA0\x80" "b"), "a___b");  // surrogate
  EXPECT_EQ(DICOM_Text_To_ASCII("\xC2\x85"), "_");               // C1 control
}

TEST(TextToASCII, other_scripts_give_printable_ascii_without_escape_or_upper_bytes)
{
  std::string japanese;
  ASSERT_EQ(DICOM_Text_Decode(JAPANESE_NAME.data(), JAPANESE_NAME.size(), "\\ISO 2022 IR 87", DICOM_VR_PN, &japanese),
            1);
  for (const std::string &utf8 : {japanese, std::string("ﾔﾏﾀﾞ^ﾀﾛｳ"), std::string("Διονυσιος"),
                                  std::string("김희중"), std::string("ＡＢ → «x» ×")}) {
    std::string ascii = DICOM_Text_To_ASCII(utf8);
    EXPECT_TRUE(Printable_ASCII(ascii)) << ascii;
    EXPECT_FALSE(ascii.empty());
  }
  std::string name = DICOM_Text_To_ASCII(japanese);
  EXPECT_EQ(name.substr(0, 13), "Yamada^Tarou=");
  EXPECT_EQ(name.find_first_not_of("Yamada^Tarou=_"), std::string::npos) << name;
}
