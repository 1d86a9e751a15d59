#include "SkinWords.h"

#include <array>

namespace
{

constexpr std::array<std::uint16_t, 4> kLanguages{1033, 1042, 1041, 1049};

struct Word {
    const char16_t *english, *korean, *japanese, *russian;
};

// Short forms that fit the bitmaps the English words were laid out for; the painters shrink
// the type where one still runs long.
constexpr Word kWords[] = {
    {u"FILE", u"파일", u"ファイル", u"ФАЙЛ"},
    {u"RECORDINGS", u"녹화 목록", u"録画リスト", u"ЗАПИСИ"},
    {u"Name", u"이름", u"名前", u"Имя"},
    {u"Date", u"날짜", u"日付", u"Дата"},
    {u"Size", u"크기", u"サイズ", u"Размер"},
    {u"G-SENSOR", u"G-센서", u"Gセンサー", u"G-ДАТЧИК"},
    {u"GPS", u"GPS", u"GPS", u"GPS"},
    {u"km/h", u"km/h", u"km/h", u"км/ч"},
    {u"All", u"전체", u"すべて", u"Все"},
    {u"Normal", u"상시", u"常時", u"Обычные"},
    {u"Event", u"이벤트", u"イベント", u"События"},
    {u"Motion", u"모션", u"モーション", u"Движение"},
};

} // namespace

SkinWords::SkinWords(std::uint16_t language) : m_language(language) {}

std::span<const std::uint16_t> SkinWords::Languages()
{
    return kLanguages;
}

QString SkinWords::operator()(const QString &english)
{
    m_used = true;
    for (const Word &w : kWords) {
        if (english != QString::fromUtf16(w.english))
            continue;
        switch (m_language) {
        case 1042:
            return QString::fromUtf16(w.korean);
        case 1041:
            return QString::fromUtf16(w.japanese);
        case 1049:
            return QString::fromUtf16(w.russian);
        default:
            return english;
        }
    }
    return english;
}

QStringList SkinWords::FontFamilies() const
{
    if (m_language == 1041)
        return {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("DejaVu Sans")};
    return {QStringLiteral("Noto Sans CJK KR"), QStringLiteral("DejaVu Sans")};
}
