// Tests of the whole reading of a file's text: the SAUCE record left out,
// double-encoded art taken back to its bytes, and prose in the languages of
// Latin script never taken for such art.
#include <stdint.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/text_reading.h"
#include "document/utf8_encoder.h"

namespace {

struct Read {
    std::string text;
    TextReading reading;
};

// On a heap copy of exactly the input's size, so the sanitizer sees any
// access past it.
Read readText(const std::string& bytes, bool prefix = false)
{
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    Read result;
    size_t length = readFileText(copy.data(), copy.size(), EncodingChoice::automatic, prefix, &result.reading);
    result.text.assign(copy.begin(), copy.begin() + (ptrdiff_t)length);
    return result;
}

// Bytes read as Windows-1252 (its unassigned bytes as the C1 controls, as
// Windows reads them) or as Latin-1, then saved as UTF-8.
std::string doubleEncoded(const std::string& bytes, bool latin1)
{
    static const uint16_t windows1252[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    std::string out;
    for (unsigned char b : bytes)
        appendUtf8(out, !latin1 && b >= 0x80 && b < 0xA0 ? windows1252[b - 0x80] : b);
    return out;
}

// A record with binary fields as real ones have (file size, TInfo1, flags):
// bytes that are no valid UTF-8 and would turn UTF-8 text in front of the
// record into code page 437 if it were not cut off first.
std::string sauce(uint8_t comments, uint8_t dataType = 1)
{
    std::string record = "SAUCE00Title";
    record.resize(128, ' ');
    record.replace(90, 4, std::string("\x9A\x02\0\0", 4));
    record[94] = (char)dataType;
    record.replace(96, 2, std::string("\xA0\0", 2));
    record[104] = (char)comments;
    record[105] = (char)0xFF;
    return record;
}

// Would catch: the record drawn as a line of noise, the comment block or the
// end-of-file byte left in, a 0x1A of the art taken away without a record,
// a record that is not one (cut short, unknown data type, in a prefix that
// does not reach the file's end) taken away, or the record's binary fields
// spoiling the evidence for UTF-8 text in front of it.
TEST(TextReading, LeavesOutTheSauceRecordAndNothingElse)
{
    const std::string art = "\xDB\xDB\xB2\xB1\xB0 art \x1A\r\n";
    const std::string comment = "COMNT" + std::string(64, 'c') + std::string(64, 'd');
    std::string utf8Art;
    for (int i = 0; i < 8; ++i)
        utf8Art += "\xE2\x96\x88";
    const struct { const char* name; std::string file, text; bool leftOut; } cases[] = {
        {"record, comments, end of file", art + "\x1A" + comment + sauce(2), art, true},
        {"record alone", art + sauce(0), art, true},
        {"end of file and record", art + "\x1A" + sauce(0), art, true},
        {"comments counted but absent", art + sauce(3), art, true},
        {"a lone end of file byte", art + "\x1A", art + "\x1A", false},
        {"an unknown data type", art + sauce(0, 9), art + sauce(0, 9), false},
        {"a record cut short", art + sauce(0).substr(0, 100), art + sauce(0).substr(0, 100), false},
        {"UTF-8 in front", utf8Art + "\x1A" + sauce(0), std::string(8, '\xDB'), true},
    };
    for (const auto& c : cases) {
        Read got = readText(c.file);
        EXPECT_EQ(got.text, c.text) << c.name;
        EXPECT_EQ(got.reading.sauceLeftOut, c.leftOut) << c.name;
    }
    EXPECT_EQ(readText(art + sauce(0), true).text, art + sauce(0));
}

// Random art of the kinds .nfo files hold: block and shade logos, text in a
// double-line frame, text between single-line rules with bullets, accented
// letters and a cents sign here and there; and the shapes of real art that
// no run of three box bytes holds: single-line frames broken by blanks and
// titles, lists with bullets ■ ∙ · and no block at all, labels right against
// the frame in up to a third of the rows.
std::string randomArt(std::mt19937& random)
{
    static const char* words[] = {"release", "notes", "of", "the", "group", "install", "run", "enjoy", "greets"};
    auto pick = [&](int n) { return (int)(random() % (unsigned)n); };
    auto prose = [&](int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += std::string(i ? " " : "") + words[pick(9)];
        return text;
    };
    std::string art;
    auto word = [&] { return std::string(words[pick(9)]); };
    switch (pick(6)) {
    case 0:
        for (int row = 0, rows = 4 + pick(10); row < rows; ++row, art += "\r\n")
            for (int column = 0, columns = 20 + pick(50); column < columns; ++column)
                art += "\xDB\xDF\xDC\xDD\xDE\xB0\xB1\xB2 "[pick(9)];
        for (int row = 0, rows = 3 + pick(20); row < rows; ++row)
            art += "  \xFE " + prose(3 + pick(6)) + " \xFA\xFA\xFA\r\n";
        break;
    case 1:
        art = "\xC9" + std::string(60, '\xCD') + "\xBB\r\n";
        for (int row = 0, rows = 10 + pick(60); row < rows; ++row)
            art += "\xBA " + prose(2 + pick(5)) + (pick(8) ? "" : " \x82t\x82 \x9B") + "\r\n";
        art += "\xC8" + std::string(60, '\xCD') + "\xBC\r\n";
        break;
    case 3:
        art = "\xDA\xC4 " + word() + " \xC4\xC4 " + word() + " \xC4\xBF\r\n";
        for (int row = 0, rows = 4 + pick(20); row < rows; ++row)
            art += row % 3 < 2 ? "\xB3 " + word() + " \xB3 " + prose(1 + pick(3)) + " \xB3\r\n"
                           : "\xB3" + word() + ":  " + word() + "\xB3\r\n";
        art += "\xC0\xC4\xD9 " + word() + " \xC0\xC4\xD9\r\n";
        break;
    case 4:
        art = "\xF9\xFA " + prose(2) + " \xFA\xF9\r\n";
        for (int row = 0, rows = 6 + pick(20); row < rows; ++row)
            art += std::string("  ") + "\xFE\xF9\xFA"[pick(3)] + (row % 3 < 2 ? " " : "") + prose(1 + pick(5)) + "\r\n";
        break;
    case 5:
        art = "\xC4\xC4\xC4 " + word() + " \xC4\xC4\xC4\r\n";
        for (int row = 0, rows = 4 + pick(20); row < rows; ++row)
            art += row % 3 < 2 ? "\xFE " + prose(1 + pick(4)) + "\r\n" : "\xB5" + word() + "\xC6 " + prose(1 + pick(4)) + "\r\n";
        break;
    default:
        art = std::string(40, '\xC4') + "\n";
        for (int row = 0, rows = 5 + pick(40); row < rows; ++row)
            art += "\xB3 " + prose(2 + pick(5)) + "\n";
        art += std::string(40, '\xC4');
    }
    return art;
}

// Would catch: a byte of either code page restored wrongly (the Windows-1252
// punctuation, the C1 controls of Latin-1, a byte mark left in), art that
// the rule for plain art does not recognise, a character cut by the end of
// a bounded read held against it, or code page 437 files no longer drawn
// byte for byte.
TEST(TextReading, DoubleEncodedArtComesBackByteForByte)
{
    auto restored = [](TextEncoding encoding) {
        return encoding == TextEncoding::utf8FromWindows1252 || encoding == TextEncoding::utf8FromLatin1;
    };
    std::mt19937 random(437);
    for (int i = 0; i < 300; ++i) {
        const std::string art = randomArt(random);
        EXPECT_EQ(readText(art).text, art);
        EXPECT_EQ(readText(art).reading.encoding, TextEncoding::cp437);
        for (bool latin1 : {false, true}) {
            for (const std::string& file : {doubleEncoded(art, latin1), "\xEF\xBB\xBF" + doubleEncoded(art, latin1)}) {
                Read got = readText(file);
                ASSERT_EQ(got.text, art) << "art " << i << (latin1 ? " through Latin-1" : " through Windows-1252");
                EXPECT_TRUE(restored(got.reading.encoding));
                // A thumbnail's bounded read that cuts the last character.
                size_t cut = file.size();
                while ((uint8_t)file[cut - 1] < 0xC2)
                    --cut;
                EXPECT_TRUE(restored(readText(file.substr(0, cut), true).reading.encoding)) << "art " << i;
            }
        }
    }
}

// Would catch: a rule for art so loose that UTF-8 prose with accented
// letters, upper-case words with runs of them (ÇÃO, GRÖßE, ÅÄÖ), curly
// quotes, dashes or the degree sign is "repaired" into box drawing; and each
// condition of the rule missing, one sample for each: high bytes mostly
// beside letters (±, a shade byte, between spaces, umlauts in words),
// neighbouring digits (±1.36), letters that are words of their own (È),
// an art byte repeated (a table shows each once), at least eight art bytes
// apart (four ± here).
TEST(TextReading, ProseIsNeverTakenForDoubleEncodedArt)
{
    const char* prose[] = {
        "Größere Änderungen: Die Übersetzung wurde überarbeitet, „Schlüssel“ heißen jetzt "
        "Einträge. STRAßENVERKEHR, GRÖßE, MÄßIG und ÄÖÜ bleiben, wie sie sind – 20 °C.",
        "Élève à l'école : « Où est la bibliothèque ? » — Déjà fermée, répondit-il. "
        "ÉTÉ, CŒUR, FRANÇAIS, À BIENTÔT ; naïveté, ambiguïté, Noël.",
        "¿Dónde está la estación? ¡Qué señal tan pequeña! El niño comió piña y jalapeños. "
        "AÑO, ÁRBOL, CANCIÓN, ÍNDICE, ÚLTIMO.",
        "Informação não disponível: a instalação será concluída após a reinicialização. "
        "ATUALIZAÇÃO, CONFIGURAÇÕES, INFORMAÇÃO, PÁGINA, AÇÕES, SÃO JOÃO.",
        "Översättningen är klar, så nästa gång får du välja språk. Blåbærsyltetøy på brødet, "
        "ÆØÅ og ÅÄÖ: BLÅBÆR, SMØRBRØD, KÖTTBULLAR, Åland; hyvää päivää, Äänekoski.",
        "Güncelleme başarıyla tamamlandı; değişiklikler için sistemi yeniden başlatın. "
        "İSTANBUL, ÇİÇEK, ÖĞRENCİ, ŞİMDİ, ığdır, ÜÇ GÜN.",
        "Maße: Länge ± 2 mm, Höhe ± 1 mm, Größe ± 3 mm, Gewicht ± 5 g, Dicke ± 1 mm, "
        "Stärke ± 2 %, Wärme ± 4 °, Spannung ± 9 V; für Küche und Bäder gemäß Übersicht. Schöne Grüße.",
        "results: ±1.36% ±1.82% ±2.40% ±0.91% ±3.05% ±1.11% ±2.72% ±0.50% (n=2500000)",
        "LA PORTA È CHIUSA. IL FILE È VUOTO. NON È UN ERRORE. L'ORA È TARDA. CHI È? "
        "DOV'È IL FILE? NON È PRONTO. QUAL È IL NOME? È TUTTO.",
        "B0 \u00B0 B1 \u00B1 B2 \u00B2 B3 \u00B3 B4 \u00B4 B5 \u00B5 B9 \u00B9 BC \u00BC BD \u00BD "
        "BE \u00BE BF \u00BF C3 \u00C3 C4 \u00C4 C6 \u00C6 C7 \u00C7 CA \u00CA",
        "Température ± 2 °, humidité ± 5, pression ± 1, vent ± 3, à midi.",
    };
    for (const char* text : prose) {
        for (bool upper : {false, true}) {
            std::string file = text;
            if (upper)
                for (char& c : file)
                    c = c >= 'a' && c <= 'z' ? (char)(c - 32) : c;
            Read got = readText(file);
            EXPECT_EQ(got.reading.encoding, TextEncoding::utf8) << file;
            EXPECT_LT(got.text.size(), file.size());
        }
    }
}

}  // namespace
