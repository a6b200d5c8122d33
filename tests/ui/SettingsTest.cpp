#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>

#include "tests/ui/UiFixture.h"
#include "ui/AppSettings.h"
#include "catalog/Catalog.h"
#include "ui/CatalogRowModel.h"
#include "ui/ReportLayout.h"
#include "ui/SettingsDlg.h"

using SettingsTest = UiFixture;

namespace {
constexpr int kKeyColumn = 3;
constexpr int kBpmColumn = 2;

// Opens the settings dialog with `command`, fills it in and presses OK (Cancel when OK leaves it
// open); answers whether OK closed it.
bool ChooseSettings(QAction& command, bool useRange, double low, double high, int notationIndex,
                    int workers) {
    bool closed = false;
    WhenModalShows(QStringLiteral("settingsDialog"), [&](QWidget& dialog) {
        dialog.findChild<QCheckBox*>(QStringLiteral("useRange"))->setChecked(useRange);
        dialog.findChild<QDoubleSpinBox*>(QStringLiteral("rangeLow"))->setValue(low);
        dialog.findChild<QDoubleSpinBox*>(QStringLiteral("rangeHigh"))->setValue(high);
        dialog.findChild<QComboBox*>(QStringLiteral("keyNotation"))->setCurrentIndex(notationIndex);
        dialog.findChild<QSpinBox*>(QStringLiteral("workers"))->setValue(workers);
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        const auto press = [buttons](QDialogButtonBox::ButtonRole role) {
            for (QAbstractButton* button : buttons->buttons())
                if (buttons->buttonRole(button) == role) button->click();
        };
        press(QDialogButtonBox::AcceptRole);
        closed = !dialog.isVisible();
        if (!closed) {
            EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("settingsProblem"))->text().contains(
                QStringLiteral("at least 140")));
            press(QDialogButtonBox::RejectRole);
        }
    });
    command.trigger();
    return closed;
}
}  // namespace

TEST_F(SettingsTest, KeyColumnFollowsTheNotationAndSortsAroundTheWheel) {
    const std::vector<std::uint32_t> ids = AddEntries({{"a.wav", "A", "", "120"},
                                                       {"b.wav", "B", "", "121"},
                                                       {"c.wav", "C", "", "122"},
                                                       {"d.wav", "D", "", "123"},
                                                       {"e.wav", "E", "", "124"},
                                                       {"f.wav", "F", "", "125"}});
    // Keys as tags would give them.
    const char16_t* keys[] = {u"Am", u"B", u"C", u"", u"G#m", u"E minor"};
    for (size_t i = 0; i < ids.size(); ++i) {
        ComPtr<CCatItem> item;
        ASSERT_EQ(Catalog()->GetItem(ids[i], item.Out()), S_OK);
        item->SetFieldText(kFieldKey, keys[i]);
    }
    View().RefreshList();
    EXPECT_EQ(ColumnTexts(kKeyColumn),
              (QStringList{"Am", "B", "C", "", "G#m", "Em"}));  // "E minor" shown in standard form

    // Ascending: no key, then 1A G#m, 1B B, 8A Am, 8B C, 9A Em.
    View().OnColumnClick(kKeyColumn);  // first click keeps the descending start direction
    View().OnColumnClick(kKeyColumn);
    EXPECT_EQ(ColumnTexts(0), (QStringList{"D", "E", "B", "A", "C", "F"}));

    ASSERT_TRUE(ChooseSettings(Action("actionSettings"), false, 70, 140, 1, 0));
    EXPECT_EQ(ColumnTexts(kKeyColumn), (QStringList{"", "1A", "1B", "8A", "8B", "9A"}));
    // The printed report keeps its three columns.
    EXPECT_EQ(ReportRowLine({"Song", "Band", "128.00", "8A"}), ReportRowLine({"Song", "Band", "128.00"}));
}

TEST_F(SettingsTest, ChoicesAreStoredAndTheRangeFoldsLaterAnalyses) {
    // A range narrower than one octave is refused and nothing is stored.
    EXPECT_FALSE(ChooseSettings(Action("actionSettings"), true, 70, 120, 1, 3));
    CAppSettings settings;
    EXPECT_FALSE(settings.PreferredRange().IsSet());
    EXPECT_EQ(settings.Workers(), 0);

    ASSERT_TRUE(ChooseSettings(Action("actionSettings"), true, 70, 140, 1, 3));
    QSettings file(settings.FileName(), QSettings::NativeFormat);
    EXPECT_EQ(file.value(QStringLiteral("Settings/Preferred BPM Range")).toString(), QStringLiteral("70-140"));
    EXPECT_EQ(file.value(QStringLiteral("Settings/Key Notation")).toString(), QStringLiteral("wheel"));
    EXPECT_EQ(file.value(QStringLiteral("Settings/Workers")).toInt(), 3);

    // A 152 BPM track measured now takes 76 BPM; one at 128 stays.
    WriteClickTrack(music.Path() / "fast.wav", 152.0, 40.0);
    WriteClickTrack(music.Path() / "mid.wav", 128.0, 40.0);
    ComPtr<ICatalog> catalog = Catalog();
    CCatalog* concrete = static_cast<CCatalog*>(catalog.Get());
    concrete->AddFile(music.W("fast.wav"));
    concrete->AddFile(music.W("mid.wav"));
    ASSERT_EQ(catalog->WaitForBuildsIdle(240000), S_OK);
    Frame().DrainUiUpdates();
    View().RefreshList();
    const QStringList bpms = ColumnTexts(kBpmColumn);
    ASSERT_EQ(bpms.size(), 2);
    EXPECT_NEAR(bpms[0].toDouble(), 76.0, 0.05);
    EXPECT_NEAR(bpms[1].toDouble(), 128.0, 0.05);

    // The stored choices come back in the next run.
    StopApp();
    StartApp();
    EXPECT_EQ(View().GetKeyNotation(), KeyNotation::Wheel);
    CAppSettings again;
    EXPECT_EQ(again.PreferredRange(), (BPM_RANGE{70.0f, 140.0f}));
}
