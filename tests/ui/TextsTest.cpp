#include <gtest/gtest.h>

#include "ui/StringTable.h"

TEST(UiTexts, FormatsUseTheirTableTexts) {
    EXPECT_EQ(FormatPercentComplete(0.375f), QStringLiteral("37.5% complete"));
    EXPECT_EQ(FormatPercentComplete(0.005f), QStringLiteral("0.5% complete"));
    EXPECT_EQ(FormatPercentComplete(0.0f), QStringLiteral("0.0% complete"));
    EXPECT_EQ(FormatRowPercent(42), QStringLiteral("42%"));
    EXPECT_EQ(FormatPageText(12), QStringLiteral("Page 12"));
    EXPECT_EQ(FormatWithText(IDS_IMPORTING, QStringLiteral("/m/a.wav")), QStringLiteral("Importing: /m/a.wav"));
}

TEST(UiTexts, PromptsSplitIntoStatusTextAndTooltip) {
    EXPECT_EQ(PromptStatusText(ID_IMPORT), QStringLiteral("Import music files"));
    EXPECT_EQ(PromptToolTip(ID_IMPORT), QStringLiteral("Import"));
    EXPECT_EQ(PromptStatusText(ID_HELP_FINDER), QStringLiteral("Help with Tempowright"));
    EXPECT_EQ(PromptStatusText(IDS_COLUMN_BPM), QStringLiteral("BPM"));  // no "\n": all of it
    EXPECT_EQ(PromptToolTip(IDS_COLUMN_BPM), QString());
}

TEST(UiTexts, DocumentTemplateAndFilters) {
    EXPECT_EQ(DocTemplateSegment(0), QStringLiteral("Quillmarsh Tempowright"));
    EXPECT_EQ(DocTemplateSegment(1), QString());  // no file filter
    EXPECT_EQ(DocTemplateSegment(2), QStringLiteral("Tempowright"));
    EXPECT_EQ(DocTemplateSegment(5), QStringLiteral("Tempowright.Document"));
    EXPECT_EQ(DocTemplateSegment(9), QString());
    EXPECT_EQ(FileDialogFilter(IDS_EXPORT_FILTER), QStringLiteral("Tab Delimited Text File (.txt) (*.txt)"));
    EXPECT_EQ(FileDialogFilter(AFX_IDS_ALLFILTER), QStringLiteral("All Files (*)"));
}
