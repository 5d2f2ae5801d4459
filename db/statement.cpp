#include "db/statement.h"

#include "db/database_error.h"

using namespace Qt::Literals::StringLiterals;

namespace db {
namespace {

struct Token {
    enum Kind { Name, Bracketed, Text, Symbol, End };
    Kind kind = End;
    QString value;        // the name, the unquoted text or the symbol
    QStringView spelling; // as written, for error texts
};

[[noreturn]] void syntaxError(const QString& detail) {
    throw DatabaseError((u"Syntax error in query"_s + detail).toStdString());
}

bool isNameCharacter(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c.isMark() || c.isSurrogate();
}

class Tokenizer {
public:
    explicit Tokenizer(QStringView text) : text_(text) {}

    Token next() {
        while (at_ < text_.size() && text_[at_].isSpace()) {
            ++at_;
        }
        const qsizetype start = at_;
        if (at_ == text_.size()) {
            return {Token::End, {}, {}};
        }
        const QChar c = text_[at_];
        if (c == u'\'') {
            return quoted(start);
        }
        if (c == u'[') {
            const qsizetype close = text_.indexOf(u']', at_);
            if (close < 0) {
                syntaxError(u" near '%1'"_s.arg(text_.sliced(start)));
            }
            at_ = close + 1;
            const QStringView name = text_.sliced(start + 1, close - start - 1);
            if (name.trimmed().isEmpty()) {
                syntaxError(u" near '%1'"_s.arg(text_.sliced(start, at_ - start)));
            }
            return {Token::Bracketed, name.toString(), text_.sliced(start, at_ - start)};
        }
        if (isNameCharacter(c)) {
            while (at_ < text_.size() && isNameCharacter(text_[at_])) {
                ++at_;
            }
            const QStringView name = text_.sliced(start, at_ - start);
            return {Token::Name, name.toString(), name};
        }
        ++at_;
        const QStringView symbol = text_.sliced(start, 1);
        return {Token::Symbol, symbol.toString(), symbol};
    }

private:
    // 'it''s' -> it's
    Token quoted(qsizetype start) {
        QString value;
        ++at_;
        while (true) {
            const qsizetype close = text_.indexOf(u'\'', at_);
            if (close < 0) {
                // Quoted without the line end that the record set puts after every statement.
                QStringView rest = text_.sliced(start);
                while (rest.endsWith(u'\n') || rest.endsWith(u'\r'))
                    rest.chop(1);
                syntaxError(u": missing closing apostrophe in %1"_s.arg(rest));
            }
            value.append(text_.sliced(at_, close - at_));
            at_ = close + 1;
            if (at_ < text_.size() && text_[at_] == u'\'') {
                value.append(u'\'');
                ++at_;
            } else {
                return {Token::Text, value, text_.sliced(start, at_ - start)};
            }
        }
    }

    QStringView text_;
    qsizetype at_ = 0;
};

class Parser {
public:
    explicit Parser(QStringView text) : tokens_(text) { advance(); }

    SelectStatement statement() {
        SelectStatement result;
        expectKeyword(u"select");
        if (isSymbol(u"*")) {
            advance();
        } else {
            result.columns.append(name());
            while (isSymbol(u",")) {
                advance();
                result.columns.append(name());
            }
        }
        expectKeyword(u"from");
        result.table = name();
        if (isKeyword(u"where")) {
            advance();
            result.anyOf.push_back(likeTest());
            while (isKeyword(u"or")) {
                advance();
                result.anyOf.push_back(likeTest());
            }
        }
        if (isSymbol(u";")) {
            advance();
        }
        if (current_.kind != Token::End) {
            unexpected();
        }
        return result;
    }

private:
    static constexpr QStringView kKeywords[] = {u"select", u"from", u"where", u"like", u"or"};

    void advance() { current_ = tokens_.next(); }

    bool isKeyword(QStringView keyword) const {
        return current_.kind == Token::Name &&
               current_.value.compare(keyword, Qt::CaseInsensitive) == 0;
    }
    bool isSymbol(QStringView symbol) const {
        return current_.kind == Token::Symbol && current_.value == symbol;
    }

    [[noreturn]] void unexpected() const {
        if (current_.kind == Token::End) {
            syntaxError(u": the statement ends too early"_s);
        }
        syntaxError(u" near '%1'"_s.arg(current_.spelling));
    }

    void expectKeyword(QStringView keyword) {
        if (!isKeyword(keyword)) {
            unexpected();
        }
        advance();
    }

    QString name() {
        const bool reserved = std::any_of(std::begin(kKeywords), std::end(kKeywords),
                                          [this](QStringView k) { return isKeyword(k); });
        if ((current_.kind != Token::Name || reserved) && current_.kind != Token::Bracketed) {
            unexpected();
        }
        QString value = current_.value;
        advance();
        return value;
    }

    LikeTest likeTest() {
        LikeTest test;
        test.column = name();
        expectKeyword(u"like");
        if (current_.kind != Token::Text) {
            unexpected();
        }
        test.pattern = current_.value;
        advance();
        return test;
    }

    Tokenizer tokens_;
    Token current_;
};

} // namespace

SelectStatement parseStatement(QStringView text) {
    return Parser(text).statement();
}

} // namespace db
