#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <span>

// The words a few skin bitmaps carry (tab captions, column heads, area titles, units), in the
// four languages the windows speak. Each language gets its own set of those bitmaps under the
// same ids; the painters ask for a word by its English form.
class SkinWords
{
public:
    // 1033 English, 1042 Korean, 1041 Japanese, 1049 Russian.
    explicit SkinWords(std::uint16_t language);

    // The languages a skin is drawn for, English (the default set) first.
    static std::span<const std::uint16_t> Languages();

    std::uint16_t Language() const { return m_language; }

    // `english` in this language (the English word where no translation is listed), and a note
    // that the bitmap being drawn carries words.
    QString operator()(const QString &english);

    // Whether a word was asked for since the last Reset: the bitmap belongs to the word set.
    bool Used() const { return m_used; }
    void Reset() { m_used = false; }

    // Font families for this language's script: Japanese Han characters take the Japanese
    // forms, Korean ones the Korean forms.
    QStringList FontFamilies() const;

private:
    std::uint16_t m_language;
    bool m_used = false;
};
