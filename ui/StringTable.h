#pragma once
// The desktop program's string table (resources/strings.def): every user-visible text under its
// resource id, and the few printf-style formats filled in with one value.

#include <QString>

enum StringId : int {
#define TW_STRING(name, id, text) name = id,
#include "resources/strings.def"
#undef TW_STRING
};

// The text of `id` (every StringId is in the table).
QString TwString(StringId id);

// The part of a "status text\ntooltip" prompt before or after the first "\n" (the whole text,
// or an empty tooltip, when there is none).
QString PromptStatusText(StringId id);
QString PromptToolTip(StringId id);

// Segment `index` of the "\n"-separated document template string (empty past the end).
QString DocTemplateSegment(int index);

// A "|"-separated filter list ("Name|*.txt||") in the form Qt's file dialogs expect
// ("Name (*.txt)", one per line).
QString FileDialogFilter(StringId id);

// The formats of the table filled in; all use "." as decimal point whatever the locale.
QString FormatPercentComplete(float fraction);     // "%.1f%% complete" of fraction x 100
QString FormatRowPercent(int percent);             // "%d%%"
QString FormatPageText(int page);                  // "Page %d"
QString FormatWithText(StringId id, const QString& text);  // a "%s" format filled in
QString FormatCount(StringId id, int count);               // a "%d" format filled in
