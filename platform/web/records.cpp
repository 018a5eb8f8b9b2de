// Records in the page: a saved game is a download of the browser's; the page opens records
// through its own file chooser, so no file is read here.
#include "platform/records.h"

#include <emscripten.h>

namespace
{

// JavaScript, which clang-format would break (it split the arrow of the last line).
// clang-format off
EM_JS(void, gomokuDownload, (const char *name, const char *bytes, int length), {
    const data = HEAPU8.slice(bytes, bytes + length);
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([data], {type: 'application/octet-stream'}));
    link.download = UTF8ToString(name);
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
});
// clang-format on

} // namespace

std::filesystem::path recordsFolder()
{
    return {};
}

std::string platformSaveRecord(const std::string &stem, const std::string &extension,
                               const std::string &text, std::string *)
{
    const std::string name = stem + extension;
    gomokuDownload(name.c_str(), text.data(), static_cast<int>(text.size()));
    return name + " (a download)";
}

bool readRecordFile(const std::filesystem::path &, std::size_t, std::string *, std::string *why)
{
    *why = "the page opens records through its Open game entry";
    return false;
}
