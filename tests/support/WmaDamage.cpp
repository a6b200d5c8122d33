#include "tests/support/WmaDamage.h"

#include <sstream>
#include <vector>

#include "tests/support/TempDir.h"

bool ZeroWmaBlock(const std::string& path, std::size_t index) {
    std::string listing;
    if (RunCommand("ffprobe -v error -select_streams a:0 -show_entries packet=size -of csv=p=0 '" +
                       path + "'",
                   &listing) != 0)
        return false;
    std::vector<std::size_t> sizes;
    std::istringstream lines(listing);
    for (std::size_t size = 0; lines >> size;) sizes.push_back(size);
    std::string blocks;
    if (index >= sizes.size() || sizes[index] < 2 ||
        RunCommand("ffmpeg -nostdin -v error -i '" + path + "' -map 0:a:0 -c copy -f data -",
                   &blocks) != 0)
        return false;
    std::size_t offset = 0;
    for (std::size_t i = 0; i < index; ++i) offset += sizes[i];
    const std::size_t size = sizes[index];
    if (offset + size > blocks.size()) return false;
    std::string file = ReadFileBytes(path);
    const std::size_t at = file.find(blocks.substr(offset, size));
    if (at == std::string::npos) return false;
    file.replace(at + 1, size - 1, size - 1, '\0');
    WriteFileBytes(path, file);
    return true;
}
