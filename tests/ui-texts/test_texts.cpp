#include "ui/AppMainWindow.h"
#include "ui/CTextTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace
{

// The main window as the text table sees it: only its language.
class TestMainWindow : public IAppMainWindow
{
public:
    explicit TestMainWindow(std::uint16_t language) : m_wLanguage(language)
    {
        SetAppMainWindow(this);
    }
    ~TestMainWindow() override { SetAppMainWindow(nullptr); }
    std::uint16_t GetLanguage() const override { return m_wLanguage; }
    std::uint16_t m_wLanguage;
};

QString Text(std::uint16_t language, const char *key)
{
    TestMainWindow window(language);
    return CTextTable().GetText(QString::fromUtf8(key));
}

struct EnglishRow {
    const char *key;
    const char *english;
};

// All 64 keys in fill order with their English texts.
const std::vector<EnglishRow> kEnglish = {
    {"PLAYERDLG_VERSION", "0.2.0"},
    {"PLAYERDLG_INFORMATION", "Information"},
    {"PLAYERDLG_MINIMIZE", "Minimize"},
    {"PLAYERDLG_CLOSE", "Close"},
    {"PLAYERDLG_FRONT", "Front"},
    {"PLAYERDLG_REAR", "Rear"},
    {"PLAYERDLG_ALL", "All"},
    {"PLAYERDLG_FLIPVERTICAL", "Flip Vertical"},
    {"PLAYERDLG_FLIPHORIZONTAL", "Flip Horizontal"},
    {"PLAYERDLG_CAPTURE", "Capture"},
    {"PLAYERDLG_EXTEND", "Extend"},
    {"PLAYERDLG_FOLDER", "Folder"},
    {"PLAYERDLG_CALENDER", "Calender"},
    {"PLAYERDLG_SAVE", "Save"},
    {"PLAYERDLG_DELETE", "Delete"},
    {"PLAYERDLG_FILE_ALL", "All"},
    {"PLAYERDLG_FILE_NORMAL", "Normal"},
    {"PLAYERDLG_FILE_EVENT", "Event"},
    {"PLAYERDLG_FILE_MOTION", "Motion"},
    {"PLAYERDLG_REWIND", "Rewind"},
    {"PLAYERDLG_FORWARD", "Forward"},
    {"PLAYERDLG_PLAY", "Play"},
    {"PLAYERDLG_PAUSE", "Pause"},
    {"PLAYERDLG_PREV", "Prev"},
    {"PLAYERDLG_NEXT", "Next"},
    {"PLAYERDLG_SPEED", "Speed"},
    {"PLAYERDLG_VOLUME", "Volume"},
    {"PLAYERDLG_BRIGHTNESS", "Brightness"},
    {"PLAYERDLG_REDUCE", "Reduce"},
    {"PLAYERDLG_FILELIST", "File List"},
    {"PLAYERDLG_SHOW_LARGEMAP", "Show large map"},
    {"PLAYERDLG_SHOW_MAP", "Show Map"},
    {"PLAYERDLG_HIDE_MAP", "Hide Map"},
    {"PLAYERDLG_REDUCE_MAP", "Reduce Map"},
    {"PLAYERDLG_NO_FILTER", "Video filter is not registered.\nPlease re-install ZI Zoreruv."},
    {"INFODLG_INFORMATION", "Information"},
    {"INFODLG_MEMORY_INFORMATION", "Memory Information"},
    {"INFODLG_TOTAL_SPACE", "Total Storage Space :"},
    {"INFODLG_FREE_SPACE", "Free Storage Space :"},
    {"INFODLG_USED_SPACE", "Used Storage Space"},
    {"INFODLG_NORMAL", "Normal :"},
    {"INFODLG_EVENT", "Event :"},
    {"INFODLG_MOTION", "Motion :"},
    {"INFODLG_VERSION_INFORMATION", "Version Information"},
    {"INFODLG_FIRMWARE_VERSION", "QV900 Firmware Version :"},
    {"INFODLG_PCMANAGER_VERSION", "ZI Zoreruv Version :"},
    {"INFODLG_CLOSE", "Close"},
    {"INFODLG_AS_TITLE", "Customer Support Info"},
    {"INFODLG_AS_INFO", "Contact the seller of the product."},
    {"INFODLG_AS_TEL", ""},
    {"SELECTDLG_TITLE", "Select Drive"},
    {"SELECTDLG_CONTEXT1_1", "Drive:"},
    {"SELECTDLG_CONTEXT1_2", "Select a drive with a memory card."},
    {"SELECTDLG_CONTEXT1_3", "Portable Disk"},
    {"MONTHDLG_TITLE", "Date Selection"},
    {"FOLDERDLG_TITLE", "Browse Folders"},
    {"FOLDERDLG_CONTENTS", "Select Folder"},
    {"SAVEDLG_TITLE", "Save"},
    {"SAVEDLG_CONTENTS", "Please select the folder."},
    {"ALERTDLG_NO_MEMORYCARD", "Can't find the memory card."},
    {"DELETEDLG_CONTEXT1_1", "Delete selected file?"},
    {"DELETEDLG_CONTEXT1_2", "Files being played can't be deleted."},
    {"PLAYERDLG_GPS_FILENOTFOUND", "Detected no GPS datas."},
    {"PLAYERDLG_PLAY_FAIL", "Can't play a file."},
};

TEST(TextTable, EnglishHoldsAll64KeysInOrder)
{
    ASSERT_EQ(kEnglish.size(), 64u);
    for (const EnglishRow &row : kEnglish)
        EXPECT_EQ(Text(1033, row.key), QString::fromUtf8(row.english)) << row.key;
}

struct LanguageRule {
    const char *name;
    std::uint16_t language;
    std::set<int> copiedFromEnglish; // key numbers, 1-based
    std::set<int> empty;
    bool (*isOwnScript)(char16_t);
    std::set<int> ownTextWithoutScript; // a few rows are kept as the product spells them
};

bool IsHangul(char16_t c)
{
    return c >= 0xAC00 && c <= 0xD7A3;
}
bool IsJapanese(char16_t c)
{
    return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF);
}
bool IsCyrillic(char16_t c)
{
    return c >= 0x0400 && c <= 0x04FF;
}

std::set<int> Range(int first, int last, std::set<int> more = {})
{
    for (int i = first; i <= last; ++i)
        more.insert(i);
    return more;
}

class TextFillRules : public ::testing::TestWithParam<LanguageRule>
{
};

TEST_P(TextFillRules, EveryKeyFollowsItsLanguagesRule)
{
    const LanguageRule &rule = GetParam();
    TestMainWindow window(rule.language);
    const CTextTable table;
    for (int number = 1; number <= 64; ++number) {
        const EnglishRow &row = kEnglish[number - 1];
        const QString text = table.GetText(QString::fromUtf8(row.key));
        const QString english = QString::fromUtf8(row.english);
        if (rule.empty.count(number)) {
            EXPECT_TRUE(text.isEmpty()) << row.key;
        } else if (rule.copiedFromEnglish.count(number)) {
            EXPECT_EQ(text, english) << row.key;
        } else {
            EXPECT_NE(text, english) << row.key;
            const bool ownScript = std::any_of(
                text.cbegin(), text.cend(), [&](QChar c) { return rule.isOwnScript(c.unicode()); });
            EXPECT_EQ(ownScript, !rule.ownTextWithoutScript.count(number))
                << row.key << " " << text.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Languages, TextFillRules,
    ::testing::Values(LanguageRule{"korean", 1042, Range(1, 34, {47}), {}, IsHangul, {}},
                      LanguageRule{"japanese",
                                   1041,
                                   Range(16, 20, Range(22, 25, {1, 5, 6, 7, 32, 33, 35, 59})),
                                   {50},
                                   IsJapanese,
                                   {21}},
                      LanguageRule{"russian", 1049, {1, 35, 59}, {50}, IsCyrillic, {}}),
    [](const auto &info) { return std::string(info.param.name); });

struct TellingRow {
    const char *key;
    const char *korean;
    const char *english;
    const char *japanese;
    const char *russian;
};

TEST(TextTable, TellingRowsInAllFourLanguages)
{
    const char *noFilter = "Video filter is not registered.\nPlease re-install ZI Zoreruv.";
    const std::vector<TellingRow> rows = {
        {"PLAYERDLG_INFORMATION", "Information", "Information", "情報", "Информация"},
        {"PLAYERDLG_FORWARD", "Forward", "Forward", "Froward", "Перемотка вперед"},
        {"PLAYERDLG_NO_FILTER", "비디오 필터가 등록되지 않았습니다.\nPC 매니저를 다시 설치하세요.",
         noFilter, noFilter, noFilter},
        {"INFODLG_INFORMATION", "정보", "Information", "情報", "Инормация"},
        {"INFODLG_FIRMWARE_VERSION", "QV900 펌웨어 버전 :", "QV900 Firmware Version :",
         "QV900 ファームウェアバージョン :", "Версия прошивки :"},
        {"MONTHDLG_TITLE", "날짜 선택", "Date Selection", "日付選択", "Удалить выбранное"},
        {"PLAYERDLG_GPS_FILENOTFOUND", "GPS 데이터가 없습니다.", "Detected no GPS datas.",
         "GPSファイルがありません。", "Не найдены файлы GPS"},
        {"PLAYERDLG_PLAY_FAIL", "파일을 재생할 수 없습니다.", "Can't play a file.",
         "ファイルを再生することができません.", "Невозможно воспроизвести файл."},
        {"INFODLG_AS_TEL", nullptr, "", "", ""},
        {"INFODLG_AS_TITLE", nullptr, "Customer Support Info", "サポート情報",
         "Информация о поддержке клиентов"},
        {"INFODLG_AS_INFO", nullptr, "Contact the seller of the product.", nullptr,
         "Обратитесь к продавцу устройства или в\nсервисный центр."},
    };
    for (const TellingRow &row : rows) {
        const std::pair<std::uint16_t, const char *> texts[] = {
            {1042, row.korean}, {1033, row.english}, {1041, row.japanese}, {1049, row.russian}};
        for (const auto &[language, expected] : texts) {
            if (expected) {
                EXPECT_EQ(Text(language, row.key), QString::fromUtf8(expected))
                    << row.key << " " << language;
            }
        }
    }
}

TEST(TextTable, SupportTextsCarryOurOwnContact)
{
    const QString koreanInfo = Text(1042, "INFODLG_AS_INFO");
    const QString japaneseInfo = Text(1041, "INFODLG_AS_INFO");
    const QString koreanTel = Text(1042, "INFODLG_AS_TEL");
    const QString address = QStringLiteral("https://support.quorvil.example");
    EXPECT_EQ(koreanInfo, QString::fromUtf8("이용 안내 : ") + address);
    EXPECT_EQ(japaneseInfo, QString::fromUtf8("利用案内 : ") + address);
    EXPECT_EQ(koreanTel, QString::fromUtf8("문의 전화 : 000-0000-0000"));
    EXPECT_TRUE(Text(1042, "INFODLG_AS_TITLE").contains(QStringLiteral("Quorvil")));
}

struct LookupCase {
    const char *name;
    std::uint16_t language;
    const char *key;
    const char *expected;
};

class TextLookup : public ::testing::TestWithParam<LookupCase>
{
};

TEST_P(TextLookup, GivesTheTextOrEmpty)
{
    EXPECT_EQ(Text(GetParam().language, GetParam().key), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextLookup,
    ::testing::Values(LookupCase{"korean_tooltip_stays_english", 1042, "PLAYERDLG_PLAY", "Play"},
                      LookupCase{"japanese_forward_oddity", 1041, "PLAYERDLG_FORWARD", "Froward"},
                      LookupCase{"english_tel_is_empty", 1033, "INFODLG_AS_TEL", ""},
                      LookupCase{"lower_case_key_korean", 1042, "playerdlg_play", ""},
                      LookupCase{"lower_case_key_english", 1033, "playerdlg_play", ""},
                      LookupCase{"lower_case_key_japanese", 1041, "playerdlg_play", ""},
                      LookupCase{"lower_case_key_russian", 1049, "playerdlg_play", ""},
                      LookupCase{"unknown_key_korean", 1042, "PLAYERDLG_NOPE", ""},
                      LookupCase{"unknown_key_english", 1033, "PLAYERDLG_NOPE", ""},
                      LookupCase{"unknown_key_japanese", 1041, "PLAYERDLG_NOPE", ""},
                      LookupCase{"unknown_key_russian", 1049, "PLAYERDLG_NOPE", ""},
                      LookupCase{"empty_key", 1033, "", ""},
                      LookupCase{"german_is_not_served", 1031, "PLAYERDLG_PLAY", ""},
                      LookupCase{"uk_english_is_not_served", 2057, "PLAYERDLG_PLAY", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TextTable, LanguageOutsideTheFourGivesEmptyForEveryKey)
{
    TestMainWindow window(1031);
    const CTextTable table;
    for (const EnglishRow &row : kEnglish)
        EXPECT_TRUE(table.GetText(QString::fromUtf8(row.key)).isEmpty()) << row.key;
}

TEST(TextTable, NoMainWindowGivesEmpty)
{
    SetAppMainWindow(nullptr);
    EXPECT_TRUE(CTextTable().GetText(QStringLiteral("PLAYERDLG_PLAY")).isEmpty());
}

TEST(TextTable, LanguageChangeTakesEffectAtTheNextLookup)
{
    TestMainWindow window(1033);
    const CTextTable table;
    EXPECT_EQ(table.GetText(QStringLiteral("PLAYERDLG_CLOSE")), QStringLiteral("Close"));
    window.m_wLanguage = 1041;
    EXPECT_EQ(table.GetText(QStringLiteral("PLAYERDLG_CLOSE")), QString::fromUtf8("閉じる"));
}

} // namespace
