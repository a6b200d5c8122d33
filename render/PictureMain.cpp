// tempowright-picture: draws a track's picture as a PNG file. Reads one profile blob (as the
// analysis store keeps it) on standard input and writes the picture at W x H logical pixels
// times the scale:
//
//   tempowright-picture --out FILE.png --width W --height H [--scale 1|2] [--theme light|dark]
//                       [--from SECONDS --to SECONDS] [--title TEXT]
//
// Exit status: 0 written; 2 usage error (a bad or missing argument, or input that is no
// profile); 1 the file could not be written. The command-line program runs it to draw PNG
// pictures, so it needs no display: it always paints through Qt's offscreen platform.

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QStringList>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "picture/PicturePalette.h"
#include "picture/TrackPicture.h"
#include "render/TrackPicturePainter.h"
#include "store/ProfileBlob.h"

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitNotWritten = 1;
constexpr int kExitUsage = 2;
// The title's text height and its distance from the picture's top left corner.
constexpr int kTitlePixels = 12;
constexpr double kTitleMargin = 4.0;

struct PictureRequest {
    QString out;
    int width = 0;
    int height = 0;
    int scale = 1;
    bool dark = false;
    PictureRange range;
    QString title;
};

const char kUsage[] =
    "usage: tempowright-picture --out FILE.png --width W --height H [--scale 1|2]\n"
    "                           [--theme light|dark] [--from SECONDS --to SECONDS] [--title TEXT]\n"
    "Reads a track profile on standard input and draws its picture as a PNG file.\n";

int UsageError(const std::string& problem) {
    std::fprintf(stderr, "tempowright-picture: %s\n%s", problem.c_str(), kUsage);
    return kExitUsage;
}

std::optional<int> WholeNumber(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high) return std::nullopt;
    return value;
}

std::optional<double> Seconds(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0.0) return std::nullopt;
    return value;
}

// Reads the arguments into `request`; the problem's text when they are unusable.
std::optional<std::string> ParseArguments(const QStringList& arguments, PictureRequest& request) {
    std::optional<double> from, to;
    bool sizeGiven[2] = {false, false};
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& name = arguments[i];
        if (i + 1 >= arguments.size()) return "missing value after " + name.toStdString();
        const QString value = arguments[++i];
        const std::string bad = "bad value for " + name.toStdString() + ": " + value.toStdString();
        if (name == QLatin1String("--out")) {
            if (value.isEmpty()) return bad;
            request.out = value;
        } else if (name == QLatin1String("--width") || name == QLatin1String("--height")) {
            const std::optional<int> side = WholeNumber(value, 1, kMaxPictureSide);
            if (!side) return bad + " (a whole number from 1 to " + std::to_string(kMaxPictureSide) + ")";
            const bool width = name == QLatin1String("--width");
            (width ? request.width : request.height) = *side;
            sizeGiven[width ? 0 : 1] = true;
        } else if (name == QLatin1String("--scale")) {
            const std::optional<int> scale = WholeNumber(value, 1, 2);
            if (!scale) return bad + " (1 or 2)";
            request.scale = *scale;
        } else if (name == QLatin1String("--theme")) {
            if (value != QLatin1String("light") && value != QLatin1String("dark")) return bad + " (light or dark)";
            request.dark = value == QLatin1String("dark");
        } else if (name == QLatin1String("--from") || name == QLatin1String("--to")) {
            const std::optional<double> seconds = Seconds(value);
            if (!seconds) return bad + " (seconds from 0 up)";
            (name == QLatin1String("--from") ? from : to) = seconds;
        } else if (name == QLatin1String("--title")) {
            request.title = value;
        } else {
            return "unknown argument " + name.toStdString();
        }
    }
    if (request.out.isEmpty()) return std::string("--out is required");
    if (!sizeGiven[0] || !sizeGiven[1]) return std::string("--width and --height are required");
    if (from.has_value() != to.has_value()) return std::string("--from and --to go together");
    if (from) {
        if (*to <= *from) return std::string("--to must be later than --from");
        request.range = {*from, *to};
    }
    return std::nullopt;
}

void PaintTitle(QPainter& painter, const QString& title, const PicturePalette& palette) {
    if (title.isEmpty()) return;
    QFont font = painter.font();
    font.setPixelSize(kTitlePixels);
    painter.setFont(font);
    // Over a band of the background, so the title reads on top of the waveform.
    const QRectF text = QFontMetricsF(font).boundingRect(title);
    QColor band = PaletteColor(palette.background);
    band.setAlpha(200);
    painter.fillRect(QRectF(kTitleMargin / 2, kTitleMargin / 2, text.width() + kTitleMargin,
                            text.height() + kTitleMargin),
                     band);
    painter.setPen(PaletteColor(palette.text));
    painter.drawText(QPointF(kTitleMargin, kTitleMargin - text.top()), title);
}

// Qt's own notes (a missing runtime folder, font fallbacks) are no concern of whoever runs the
// command-line program, on whose error output they would land; only its failures are shown.
void ShowOnlyFailures(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "tempowright-picture: %s\n", qPrintable(message));
}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(ShowOnlyFailures);
    // The picture is painted into an image, never shown: no display is needed or used.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    PictureRequest request;
    if (const std::optional<std::string> problem = ParseArguments(QGuiApplication::arguments(), request))
        return UsageError(*problem);

    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) return UsageError("standard input cannot be read");
    const QByteArray blob = input.readAll();
    CPfTrackProfile profile;
    if (!DecodeProfileBlob(std::string_view(blob.constData(), static_cast<std::size_t>(blob.size())), profile)) return UsageError("standard input holds no track profile");

    const TrackPicture picture = LayOutTrackPicture(profile, request.width, request.height, request.range);
    const PicturePalette palette = PicturePaletteFor(request.dark);
    QImage image(request.width * request.scale, request.height * request.scale,
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        std::fprintf(stderr, "tempowright-picture: no memory for a %d x %d picture\n", image.width(),
                     image.height());
        return kExitNotWritten;
    }
    image.setDevicePixelRatio(request.scale);
    {
        QPainter painter(&image);
        PaintTrackPicture(painter, picture, palette);
        PaintTitle(painter, request.title, palette);
    }

    // Written beside the target and renamed over it, so a failed write leaves no partial file.
    QSaveFile file(request.out);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        std::fprintf(stderr, "tempowright-picture: cannot write %s: %s\n", qPrintable(request.out),
                     qPrintable(file.errorString()));
        return kExitNotWritten;
    }
    return kExitWritten;
}
