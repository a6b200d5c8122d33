#include "ui/RowOrder.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>
#include <numeric>
#include <optional>

#include "audio/ComponentIds.h"
#include "catalog/KeyText.h"
#include "ui/EntryCells.h"
#include "ui/QtText.h"

namespace {

// One row's sort key, read from its entry once.
struct RowKey {
    bool present = false;
    bool failed = false;                  // BPM: sorts after every number
    float bpm = 0.0f;
    std::optional<QCollatorSortKey> text;  // title or artist
};

QCollator ReadingCollator() {
    // The "C" locale compares code units whatever the options; a user without a locale gets
    // English rules, which ignore case and read digits as numbers as asked.
    const QLocale locale = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

RowKey KeyOf(CCatItem* item, std::int32_t field, const QCollator& collator) {
    RowKey key;
    if (!item) return key;
    key.present = true;
    if (field == kFieldBpm) {
        key.failed = ShowsAsFailed(*item);
        key.bpm = item->GetBpm();
    } else if (field == kFieldKey) {
        // Around the wheel (KeyOrderRank), then as text among texts that name no key.
        WString text;
        item->GetFieldText(field, text);
        key.text = collator.sortKey(QStringLiteral("%1 ").arg(KeyOrderRank(text), 2, 10, QLatin1Char('0')) +
                                    ToQString(text));
    } else {
        WString text;
        if (item->GetFieldText(field, text)) key.text = collator.sortKey(ToQString(text));
    }
    return key;
}

// Negative when a sorts before b in ascending order, positive after, 0 when equal.
int Compare(const RowKey& a, const RowKey& b) {
    if (a.text && b.text) return a.text->compare(*b.text);
    if (a.bpm < b.bpm) return -1;
    if (b.bpm < a.bpm) return 1;
    return 0;
}

}  // namespace

std::vector<int> SortedRowOrder(const std::vector<ComPtr<CCatItem>>& entries, std::int32_t field,
                                bool descending) {
    const QCollator collator = ReadingCollator();
    std::vector<RowKey> keys;
    keys.reserve(entries.size());
    for (const ComPtr<CCatItem>& entry : entries) keys.push_back(KeyOf(entry.Get(), field, collator));

    std::vector<int> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    // A merge sort: rows equal in the field keep their relative order. A row without an entry
    // compares equal to every row, as it always did; the sort stays well-defined all the same.
    std::stable_sort(order.begin(), order.end(), [&](int ia, int ib) {
        const RowKey& a = keys[static_cast<size_t>(ia)];
        const RowKey& b = keys[static_cast<size_t>(ib)];
        if (!a.present || !b.present) return false;
        if (a.failed != b.failed) return b.failed;  // failed rows last, in both directions
        const int c = Compare(a, b);
        return descending ? c > 0 : c < 0;
    });
    return order;
}
