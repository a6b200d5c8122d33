#include "picture/PicturePalette.h"

PicturePalette PicturePaletteFor(bool dark) {
    if (dark)
        return {.background = 0xFF1E1F22,
                .waveform = 0xFF5FA8E8,
                .centreLine = 0xFF4A4D55,
                .beat = 0x99B0B4BC,
                .bar = 0xFFF2F2F2,
                .section = 0xFFFFB347,
                .extent = 0xFF7BD88F,
                .span = 0x40C792EA,
                .text = 0xFFE6E6E6};
    return {.background = 0xFFFFFFFF,
            .waveform = 0xFF2F6DB5,
            .centreLine = 0xFFC8CCD2,
            .beat = 0x99707780,
            .bar = 0xFF1A1A1A,
            .section = 0xFFC25E00,
            .extent = 0xFF1E8C3A,
            .span = 0x338E44AD,
            .text = 0xFF202124};
}

PictureMarkStyle PictureMarkStyleFor(PictureMarkKind kind, const PicturePalette& palette) {
    switch (kind) {
    case PictureMarkKind::Beat: return {palette.beat, 0.5f, 2.0f, 2.0f};
    case PictureMarkKind::Bar: return {palette.bar, 1.5f, 0.0f, 0.0f};
    case PictureMarkKind::Section: return {palette.section, 1.0f, 6.0f, 3.0f};
    case PictureMarkKind::AudioStart:
    case PictureMarkKind::AudioEnd: return {palette.extent, 2.0f, 0.0f, 0.0f};
    }
    return {palette.bar, 1.0f, 0.0f, 0.0f};
}
