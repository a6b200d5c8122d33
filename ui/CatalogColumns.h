#pragma once
// The catalog list's fixed columns, in display order: heading, width, alignment, the entry field
// shown, and the width in characters of the column in the printed report (0: not printed; the
// report keeps its three columns).

#include <array>
#include <cstdint>

#include <Qt>

#include "audio/ComponentIds.h"
#include "ui/StringTable.h"

struct CatalogColumn {
    StringId heading;
    int widthPixels;
    Qt::Alignment alignment;
    FieldId field;
    int printWidth;
};

inline constexpr int kCatalogColumnCount = 4;

inline const std::array<CatalogColumn, kCatalogColumnCount> kCatalogColumns = {{
    {IDS_COLUMN_TITLE, 200, Qt::AlignLeft, kFieldTitle, 37},
    {IDS_COLUMN_ARTIST, 200, Qt::AlignLeft, kFieldArtist, 36},
    {IDS_COLUMN_BPM, 60, Qt::AlignLeft, kFieldBpm, 6},
    {IDS_COLUMN_KEY, 50, Qt::AlignLeft, kFieldKey, 0},
}};

// The column showing `field`, or -1.
inline int ColumnOfField(std::int32_t field) {
    for (int c = 0; c < kCatalogColumnCount; ++c)
        if (kCatalogColumns[static_cast<size_t>(c)].field == field) return c;
    return -1;
}
