#pragma once
// What a music file is, decided from its first bytes rather than from its name. A file whose
// content is recognised is read and analysed as what it is; its extension only decides where
// the content says nothing.

#include <string_view>

#include "platform/Text.h"

enum class AudioContainer {
    kUnknown,  // nothing recognised (for example an MP3 stream that opens with other bytes)
    kWave,     // "RIFF" ... "WAVE"
    kAsf,      // the ASF header object's GUID (Windows Media)
    kMpeg,     // an ID3v2 tag ("ID3") or an MPEG audio frame sync
    kOther,    // another format recognised by its signature (other RIFF forms, FLAC, Ogg, MP4,
               // AIFF): none that this system reads
};

// The container recognised in a file's first bytes; kUnknown also when it cannot be read.
AudioContainer SniffAudioContainer(const WString& path);
// The container an extension stands for ("wav", "mp3", "wma", lower case); kUnknown otherwise.
AudioContainer ContainerOfExtension(std::u16string_view extension);
// The container a file is handled as: the one its content shows, else the one of its extension.
AudioContainer EffectiveContainer(const WString& path);
// True when the file's content does not contradict its extension: it is recognised as the
// extension's container, or not recognised at all. Only such files are ever given tags.
bool ContentMatchesExtension(const WString& path);
