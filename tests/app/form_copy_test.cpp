#include "app/list_grid.h"
#include "db/resources.h"
#include "form_fixture.h"
#include "jet/remedy_database.h"
#include "lookup/format_remedy_body.h"
#include "window_test_main.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTextDocument>

#include <cstddef>
#include <span>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Characters that a conversion to plain text would change, each in a body of its own:
// "甲", the character, "乙", then a section heading, which the reader puts on a new line. The
// database holds no character beyond the Basic Multilingual Plane: that one is typed into the box.
struct Character {
    const char* name;
    QString text;
    bool typed = false;
};

const std::vector<Character>& characters() {
    static const std::vector<Character> all{
        {"no-break space", u"\u00a0"_s},
        {"ideographic space", u"\u3000"_s},
        {"tab", u"\t"_s},
        {"line separator", u"\u2028"_s},
        {"paragraph separator", u"\u2029"_s},
        {"zero-width joiner", u"\u200d"_s},
        // Last: the rows of the database are the characters before it.
        {"surrogate pair", u"\U0002A6A5"_s, true},
    };
    return all;
}

QString bodyWith(const QString& character) {
    return u"甲"_s + character + u"乙【组成】丙"_s;
}

// The database with one remedy per character, in their order.
const jet::Bytes& database() {
    static const jet::Bytes bytes = [] {
        std::vector<jet::Remedy> remedies;
        for (const Character& character : characters()) {
            if (character.typed)
                continue;
            const QString body = bodyWith(character.text);
            remedies.push_back({static_cast<std::int32_t>(remedies.size() + 1),
                                u"方"_s.toStdU16String(),
                                std::u16string(reinterpret_cast<const char16_t*>(body.utf16()),
                                               static_cast<size_t>(body.size()))});
        }
        return jet::writeRemedyDatabase(remedies);
    }();
    return bytes;
}

} // namespace

// What the detail box holds after a cell click and what the copy button puts on the clipboard,
// for characters that plain-text conversions like to change.
class FormCopyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const jet::Bytes& bytes = database();
        db::registerResource(u"mdb", u"ResBuild",
                             std::as_bytes(std::span(bytes.data(), bytes.size())));
        fixture_ = std::make_unique<FormFixture>();
        fixture_->createForm();
        QVERIFY2(fixture_->boxes().boxes().isEmpty(),
                 qPrintable(fixture_->boxes().texts().join(u'|')));
    }
    void cleanupTestCase() { fixture_.reset(); }

    void copyKeepsTheCharacters_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("character");
        QTest::addColumn<bool>("typed");
        for (size_t i = 0; i < characters().size(); ++i) {
            const Character& character = characters()[i];
            QTest::newRow(character.name)
                << (character.typed ? 0 : int(i)) << character.text << character.typed;
        }
    }
    // The box holds the formatted body character for character; its paragraphs are its lines.
    // A U+2029 of the body is such a paragraph break, as the CR LF pairs are, so it is copied as
    // CR LF; a U+2028 stays a character of its paragraph and is copied as it is.
    void copyKeepsTheCharacters() {
        QFETCH(int, row);
        QFETCH(QString, character);
        QFETCH(bool, typed);
        app::ListGrid* grid = fixture_->grid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(row, 1)).center());
        auto* box = fixture_->child<QPlainTextEdit>(u"Memo_Info");
        QString formatted =
            lookup::FormatRemedyBody(bodyWith(characters()[static_cast<size_t>(row)].text));
        if (typed) {
            box->moveCursor(QTextCursor::End);
            // As an input method hands it over: both halves at once.
            QInputMethodEvent input;
            input.setCommitString(character);
            QApplication::sendEvent(box, &input);
            formatted += character;
        }
        QCOMPARE(box->document()->toRawText(),
                 QString(formatted).replace(u"\r\n"_s, QString(QChar::ParagraphSeparator)));

        fixture_->boxes().clear();
        fixture_->click(u"Button_Copy");
        QCOMPARE(fixture_->boxes().texts(), QStringList{u"该信息已经拷贝到剪切板."_s});
        const QString expected = QString(formatted).replace(QChar::ParagraphSeparator, u"\r\n"_s);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);

        // On an X server, what another program gets from the clipboard.
        if (QGuiApplication::platformName() != u"xcb")
            return;
        const QString xclip = QStandardPaths::findExecutable(u"xclip"_s);
        if (xclip.isEmpty())
            QSKIP("needs xclip to read the X clipboard from another program");
        QProcess reader;
        reader.start(xclip, {u"-o"_s, u"-selection"_s, u"clipboard"_s, u"-t"_s, u"UTF8_STRING"_s});
        // The clipboard is served from this event loop: wait without blocking it.
        QTRY_VERIFY_WITH_TIMEOUT(reader.state() == QProcess::NotRunning, 10000);
        QCOMPARE(reader.exitCode(), 0);
        QCOMPARE(reader.readAllStandardOutput(), expected.toUtf8());
    }

private:
    std::unique_ptr<FormFixture> fixture_;
};

VORLANTIX_WINDOW_TEST_MAIN(FormCopyTest)
#include "form_copy_test.moc"
