#include "locations/LocationSearchField.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct RecordingSearchDelegate : LocationSeachBarViewDelegate, LocationSearchFieldDelegate {
    QStringList texts;
    QList<bool> focus;
    void searchTextChanged(const QString& text) override { texts << text; }
    void searchFieldFocusChanged(bool focused) override { focus << focused; }
};

class LocationSearchTest : public ::testing::Test {
protected:
    void SetUp() override { bar.setDelegate(&delegate); }

    bool lupeShown() const { return !bar.lupeImageView()->isHidden(); }
    bool clearShown() const { return !bar.clearButton()->isHidden(); }

    RecordingSearchDelegate delegate;
    LocationSeachBarView bar;
};

TEST_F(LocationSearchTest, TypedTextIsReportedTrimmedAndSwapsMagnifierForClearButton) {
    EXPECT_TRUE(lupeShown());
    EXPECT_FALSE(clearShown());
    EXPECT_EQ(bar.searchField()->placeholderText(), QStringLiteral("Search for networks"));

    QTest::keyClicks(bar.searchField(), QStringLiteral("  "));
    EXPECT_FALSE(lupeShown());
    EXPECT_TRUE(clearShown());
    EXPECT_EQ(delegate.texts, (QStringList{QString(), QString()}));
    // Blanks already count as a search: the placeholder is gone.
    EXPECT_TRUE(bar.searchField()->placeholderText().isEmpty());

    bar.searchField()->setText(QStringLiteral(" Paris\t\n"));
    EXPECT_EQ(delegate.texts.last(), QStringLiteral("Paris"));
    // Control characters inside the text are kept: they are matched literally.
    bar.searchField()->setText(QStringLiteral("a\x01"
                                              "b "));
    EXPECT_EQ(delegate.texts.last(), QStringLiteral("a\x01"
                                                    "b"));

    bar.searchField()->setText(QString(1000, QLatin1Char('x')));
    EXPECT_EQ(delegate.texts.last().size(), LocationSearchField::kMaximumLength);
}

TEST_F(LocationSearchTest, ClearEmptiesTheFieldReportsOnceAndKeepsTheFocus) {
    bar.show();
    QApplication::setActiveWindow(&bar);
    bar.searchField()->setFocus();
    QTest::keyClicks(bar.searchField(), QStringLiteral("ber"));
    delegate.texts.clear();

    QTest::mouseClick(bar.clearButton(), Qt::LeftButton);
    EXPECT_EQ(delegate.texts, QStringList{QString()});
    EXPECT_TRUE(bar.searchField()->text().isEmpty());
    EXPECT_EQ(bar.searchField()->placeholderText(), QStringLiteral("Search for networks"));
    EXPECT_TRUE(lupeShown());
    EXPECT_FALSE(clearShown());
    EXPECT_TRUE(bar.searchField()->hasFocus());

    // Typing again after a clear hides the placeholder again.
    QTest::keyClicks(bar.searchField(), QStringLiteral("r"));
    EXPECT_TRUE(bar.searchField()->placeholderText().isEmpty());
    EXPECT_EQ(delegate.texts.last(), QStringLiteral("r"));
}

TEST_F(LocationSearchTest, FocusChangesReachTheFieldDelegate) {
    QWidget window;
    auto* field = new LocationSearchField(&window);
    auto* other = new QLineEdit(&window);
    field->setLocationSearchDelegate(&delegate);
    window.show();
    QApplication::setActiveWindow(&window);
    field->setFocus();
    other->setFocus();
    EXPECT_EQ(delegate.focus, (QList<bool>{true, false}));
    // The caret is drawn in the text colour, which is the field's soft text colour.
    EXPECT_EQ(field->textColor(), QColor(QStringLiteral("#DDE6F2")));
}

} // namespace
