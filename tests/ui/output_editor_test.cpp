// The Qt editor against the output-area contract, with what only a real editor shows: where
// its text cursor ends up, and how typed characters cross into Windows-1252.

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <memory>

#include "output_area_contract.h"
#include "ui/output_editor.h"

namespace i2ct::ui {
namespace {

// The application exists only while tests run, so listing them needs no display.
class QtApplication : public ::testing::Environment {
  public:
    QtApplication(int argc, char** argv) : argc_(argc), argv_(argv) {}
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

  private:
    int argc_;
    char** argv_;
    std::unique_ptr<QApplication> app_;
};

struct EditorFixture {
    OutputEditor editor;
    OutputArea& area() { return editor; }
};

}  // namespace
}  // namespace i2ct::ui

namespace i2ct::test {
using EditorTypes = ::testing::Types<ui::EditorFixture>;
INSTANTIATE_TYPED_TEST_SUITE_P(QtEditor, OutputAreaContract, EditorTypes);
}  // namespace i2ct::test

namespace i2ct::ui {
namespace {

class OutputEditorTest : public ::testing::Test {
  protected:
    OutputEditor editor;

    // The text cursor as line and column.
    std::pair<int, int> cursor() const {
        const QTextCursor c = editor.textCursor();
        return {c.blockNumber(), c.positionInBlock()};
    }
    std::vector<Text> lines() const {
        std::vector<Text> all;
        for (LineIndex i = 0; i < editor.count(); ++i) {
            all.push_back(editor.get(i));
        }
        return all;
    }
};

TEST_F(OutputEditorTest, SetMovesTheCursorBehindTheNewText) {
    editor.append("#WR 0072");
    editor.append("");
    editor.append("last");
    editor.set(1, "?WR ");
    EXPECT_EQ(cursor(), std::make_pair(1, 4));
    editor.set(9, "+");
    EXPECT_EQ(lines(), (std::vector<Text>{"#WR 0072", "?WR ", "last+"}));
    EXPECT_EQ(cursor(), std::make_pair(2, 5));
}

TEST_F(OutputEditorTest, InsertMovesTheCursorToTheStartOfTheFollowingLine) {
    editor.append("#RD 0072 01");
    editor.append("");
    editor.insert(1, "!RD > 5A ");
    EXPECT_EQ(cursor(), std::make_pair(2, 0));
    editor.set(2, "#");
    EXPECT_EQ(cursor(), std::make_pair(2, 1));
    EXPECT_EQ(lines(), (std::vector<Text>{"#RD 0072 01", "!RD > 5A ", "#"}));
}

TEST_F(OutputEditorTest, AppendMovesTheCursorToTheEnd) {
    editor.append("one");
    editor.append("two");
    editor.setTextCursor(QTextCursor(editor.document()));
    editor.append("three");
    EXPECT_EQ(cursor(), std::make_pair(2, 5));
    editor.insert(5, "four");
    EXPECT_EQ(cursor(), std::make_pair(3, 4));
}

TEST_F(OutputEditorTest, TypingGoesWhereTheProgramLeftTheCursor) {
    editor.append("#WR 0072 01");
    editor.append("");
    editor.insert(1, "!WR > OK ");
    editor.set(2, "#");
    QTest::keyClicks(&editor, "rd");
    EXPECT_EQ(editor.get(2), "#rd");
}

TEST_F(OutputEditorTest, EnterAndShiftEnterBothStartANewLine) {
    QTest::keyClicks(&editor, "ab");
    QTest::keyClick(&editor, Qt::Key_Return);
    QTest::keyClicks(&editor, "cd");
    QTest::keyClick(&editor, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClick(&editor, Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);
    EXPECT_EQ(lines(), (std::vector<Text>{"ab", "cd", "", ""}));
}

TEST_F(OutputEditorTest, EmptiedEditorHasNoLines) {
    QTest::keyClicks(&editor, "x");
    EXPECT_EQ(editor.count(), 1);
    QTest::keyClick(&editor, Qt::Key_Backspace);
    EXPECT_EQ(editor.count(), 0);
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_EQ(editor.count(), 2) << "one line break and the empty line behind it";
}

TEST_F(OutputEditorTest, UmlautsCrossTheBoundaryBothWays) {
    editor.append(
        "Daten\xFC"
        "bertragung \xE4\xF6\xFC\xDF");
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("Datenübertragung äöüß"));
    QTest::keyClick(&editor, Qt::Key_Space);
    QTest::sendKeyEvent(QTest::Click, &editor, Qt::Key_Adiaeresis, QStringLiteral("Ä"),
                        Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Click, &editor, Qt::Key_unknown, QStringLiteral("€"),
                        Qt::NoModifier);
    EXPECT_EQ(editor.get(0),
              "Daten\xFC"
              "bertragung \xE4\xF6\xFC\xDF \xC4\x80");
}

TEST_F(OutputEditorTest, ATypedCharacterOutsideTheCodePageBecomesTheUnmappableByte) {
    QTest::keyClicks(&editor, "#WR ");
    // A keyboard layout hands such a character over as the text of a key without a key code.
    QTest::sendKeyEvent(QTest::Click, &editor, Qt::Key_unknown, QStringLiteral("中"),
                        Qt::NoModifier);
    // An input method commits it.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("文"));
    QApplication::sendEvent(&editor, &commit);
    const Text line = editor.get(0);
    EXPECT_EQ(line, Text("#WR ") + kUnmappable + kUnmappable);
    EXPECT_EQ(line.find_first_of("? 0123456789ABCDEFabcdef%#", 4), Text::npos);
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("#WR 中文"))
        << "the editor keeps what was typed";
}

TEST_F(OutputEditorTest, UserEditsMarkTheLineTheyTouch) {
    for (const char* line : {"a", "b", "c", "d"}) {
        editor.append(line);
    }
    editor.clearTouched();
    QTextCursor c(editor.document()->findBlockByNumber(2));
    c.movePosition(QTextCursor::EndOfBlock);
    editor.setTextCursor(c);
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_EQ(editor.firstTouchedLine(), 2);
    editor.clearTouched();
    c = QTextCursor(editor.document()->findBlockByNumber(1));
    editor.setTextCursor(c);
    QTest::keyClick(&editor, Qt::Key_Backspace);
    EXPECT_EQ(editor.firstTouchedLine(), 0) << "the break between lines 0 and 1 went";
    EXPECT_EQ(editor.get(0), "ab");
}

TEST_F(OutputEditorTest, FollowsTheCursorDownALongConsole) {
    editor.resize(300, 200);
    editor.show();
    for (int i = 0; i < 500; ++i) {
        editor.append(std::to_string(i));
    }
    QScrollBar* bar = editor.verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    editor.set(3, "x");
    EXPECT_LT(bar->value(), bar->maximum());
}

TEST_F(OutputEditorTest, HasBothScrollBarsAndNoWrapping) {
    EXPECT_EQ(editor.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(editor.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(editor.lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(editor.isReadOnly());
    EXPECT_EQ(editor.font().family(), QStringLiteral("Courier New"));
    EXPECT_EQ(editor.font().pointSize(), 12);
}

TEST_F(OutputEditorTest, AnnouncesFocusChanges) {
    int changes = 0;
    QObject::connect(&editor, &OutputEditor::focusChanged, [&changes] { ++changes; });
    QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
    QApplication::sendEvent(&editor, &in);
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(&editor, &out);
    EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace i2ct::ui

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new i2ct::ui::QtApplication(argc, argv));
    return RUN_ALL_TESTS();
}
