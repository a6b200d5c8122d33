#include "ui/StringTable.h"

#include <QStringList>
#include <unordered_map>

namespace {

const std::unordered_map<int, const char*>& Table() {
    static const std::unordered_map<int, const char*> table = {
#define TW_STRING(name, id, text) {id, text},
#include "resources/strings.def"
#undef TW_STRING
    };
    return table;
}

const char* Utf8(StringId id) {
    const auto it = Table().find(id);
    return it == Table().end() ? "" : it->second;
}

}  // namespace

QString TwString(StringId id) { return QString::fromUtf8(Utf8(id)); }

QString PromptStatusText(StringId id) { return TwString(id).section(u'\n', 0, 0); }

QString PromptToolTip(StringId id) {
    const QString prompt = TwString(id);
    const qsizetype newline = prompt.indexOf(u'\n');
    return newline < 0 ? QString() : prompt.mid(newline + 1);
}

QString DocTemplateSegment(int index) { return TwString(IDS_DOC_TEMPLATE).section(u'\n', index, index); }

QString FileDialogFilter(StringId id) {
    const QStringList parts = TwString(id).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;  // the "||" that ends the list
        filters << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    }
    return filters.join(u'\n');
}

QString FormatPercentComplete(float fraction) {
    return QString::asprintf(Utf8(IDS_PERCENT_COMPLETE), static_cast<double>(fraction * 100.0f));
}

QString FormatRowPercent(int percent) { return FormatCount(IDS_ROW_PERCENT, percent); }

QString FormatPageText(int page) { return FormatCount(IDS_PAGE_FORMAT, page); }

QString FormatCount(StringId id, int count) { return QString::asprintf(Utf8(id), count); }

QString FormatWithText(StringId id, const QString& text) {
    QString format = TwString(id);
    const qsizetype at = format.indexOf(QLatin1String("%s"));
    if (at >= 0) format.replace(at, 2, text);
    return format;
}
