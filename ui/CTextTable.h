#pragma once

#include <QHash>
#include <QString>

#include <cstdint>

// The four-language table of every text the windows show, looked up by key ("PLAYERDLG_PLAY").
// Each user builds its own table on the stack, looks up what it needs and discards it.
class CTextTable
{
public:
    // Fills all four maps from the built-in list.
    CTextTable();

    // The text of key in the registered main window's language; "" when no main window is
    // registered, its language is none of the four, or the key is unknown (keys are
    // case-sensitive). Never fails.
    QString GetText(const QString &key) const;

    // The same lookup for an explicit language id (1042, 1033, 1041 or 1049).
    QString GetText(std::uint16_t language, const QString &key) const;

    static constexpr std::uint16_t kKorean = 1042;
    static constexpr std::uint16_t kEnglish = 1033;
    static constexpr std::uint16_t kJapanese = 1041;
    static constexpr std::uint16_t kRussian = 1049;

private:
    const QHash<QString, QString> *MapFor(std::uint16_t language) const;

    // In fill order: Korean, English, Japanese, Russian.
    QHash<QString, QString> m_mapKorean;
    QHash<QString, QString> m_mapEnglish;
    QHash<QString, QString> m_mapJapanese;
    QHash<QString, QString> m_mapRussian;
};
