#include "jet/remedy_tsv.h"

#include "jet/error.h"

#include <charconv>
#include <fstream>

namespace jet {

namespace {

std::u16string unescape(std::u16string_view field) {
    std::u16string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\') {
            out.push_back(field[i]);
            continue;
        }
        const char16_t next = i + 1 < field.size() ? field[i + 1] : u'\0';
        switch (next) {
        case u'\\':
            out.push_back(u'\\');
            break;
        case u't':
            out.push_back(u'\t');
            break;
        case u'r':
            out.push_back(u'\r');
            break;
        case u'n':
            out.push_back(u'\n');
            break;
        default:
            throw Error("unknown escape sequence");
        }
        ++i;
    }
    return out;
}

std::int32_t parseId(std::string_view text) {
    std::int32_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        throw Error("the record number is not a whole number: " + std::string(text));
    }
    return id;
}

Remedy parseLine(std::string_view line) {
    if (line.find('\r') != std::string_view::npos) {
        throw Error("carriage return outside an escape (write \\r)");
    }
    const std::size_t firstTab = line.find('\t');
    const std::size_t secondTab =
        firstTab == std::string_view::npos ? firstTab : line.find('\t', firstTab + 1);
    if (secondTab == std::string_view::npos || line.find('\t', secondTab + 1) != line.npos) {
        throw Error("expected three fields separated by tabs");
    }
    Remedy remedy{parseId(line.substr(0, firstTab)), {}, {}};
    remedy.title = unescape(utf8ToUtf16(line.substr(firstTab + 1, secondTab - firstTab - 1)));
    const std::string_view body = line.substr(secondTab + 1);
    if (body != "\\N") {
        remedy.body = unescape(utf8ToUtf16(body));
    }
    return remedy;
}

} // namespace

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = 0;
        char32_t code = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            throw Error("characters outside the Basic Multilingual Plane cannot be stored");
        } else {
            throw Error("malformed UTF-8");
        }
        if (i + static_cast<std::size_t>(length) > text.size()) {
            throw Error("malformed UTF-8");
        }
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                throw Error("malformed UTF-8");
            }
            code = (code << 6) | (next & 0x3Fu);
        }
        const bool overlong = (length == 2 && code < 0x80) || (length == 3 && code < 0x800);
        if (overlong || (code >= 0xD800 && code <= 0xDFFF)) {
            throw Error("malformed UTF-8");
        }
        out.push_back(static_cast<char16_t>(code));
        i += static_cast<std::size_t>(length);
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    for (char16_t unit : text) {
        const auto code = static_cast<std::uint32_t>(unit);
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

std::vector<Remedy> readRemedyTsv(std::istream& in) {
    std::vector<Remedy> remedies;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.starts_with('#')) {
            continue;
        }
        try {
            remedies.push_back(parseLine(line));
        } catch (const Error& error) {
            throw Error("line " + std::to_string(number) + ": " + error.what());
        }
    }
    return remedies;
}

std::vector<Remedy> readRemedyTsvFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw Error("cannot open " + path);
    }
    return readRemedyTsv(in);
}

} // namespace jet
