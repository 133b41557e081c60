// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer/pictures.h"

#include "pictures/match.h"

#include <unordered_map>

namespace answer {

const std::vector<Picture>& Pictures::of(int entry) const
{
    static const std::vector<Picture> none;
    return entry >= 0 && static_cast<std::size_t>(entry) < byEntry.size()
               ? byEntry[static_cast<std::size_t>(entry)]
               : none;
}

Pictures AssignPictures(const pictures::Scan& scan, const std::string& cataloguePath,
                        const catalogue::View& catalogue, const pictures::Index& index)
{
    Pictures out;
    const auto slash = cataloguePath.rfind('/');
    out.base = slash == std::string::npos ? std::string() : cataloguePath.substr(0, slash + 1);
    out.byEntry.resize(static_cast<std::size_t>(catalogue.entries()));
    if (!scan.found) {
        return out;
    }
    std::vector<std::string> names;
    std::vector<const pictures::File*> files;
    for (const pictures::File& file : scan.files) {
        if (file.pictureName) {
            names.push_back(file.name);
            files.push_back(&file);
        }
    }
    std::unordered_map<std::string_view, const pictures::IndexEntry*> indexed;
    for (const pictures::IndexEntry& entry : index.entries) {
        indexed.emplace(entry.name, &entry);
    }
    const std::string folder = std::string(pictures::folderName) + "/";
    const std::string tools = folder + std::string(pictures::toolFolderName) + "/";
    const pictures::Assignment assigned = pictures::Assign(pictures::Matcher(catalogue), names);
    for (std::size_t entry = 0; entry < assigned.byEntry.size(); ++entry) {
        const std::vector<std::uint32_t>& mine = assigned.byEntry[entry];
        if (mine.empty()) {
            continue;
        }
        std::vector<std::string> ordered;
        for (const std::uint32_t k : mine) {
            ordered.push_back(names[k]);
        }
        const std::vector<std::string> labels =
            pictures::AccessibleNames(catalogue.text(catalogue::columns::SV, entry), ordered);
        std::vector<Picture>& list = out.byEntry[entry];
        for (std::size_t k = 0; k < mine.size(); ++k) {
            const pictures::File& file = *files[mine[k]];
            Picture& picture = list.emplace_back();
            picture.path = folder + file.name;
            picture.label = labels[k];
            picture.bytes = file.bytes;
            picture.mtimeNs = file.mtimeNs;
            picture.header = file.header;
            // A small copy made before the picture last changed shows
            // another picture.
            if (const auto at = indexed.find(file.name);
                at != indexed.end() && !at->second->small.empty() &&
                at->second->bytes == file.bytes && at->second->mtimeNs == file.mtimeNs) {
                picture.small = tools + at->second->small;
            }
        }
    }
    return out;
}

Pictures PicturesOf(const std::string& cataloguePath, const catalogue::View& catalogue)
{
    const std::string folder = pictures::FolderBeside(cataloguePath);
    const pictures::Scan scan = pictures::ScanFolder(folder);
    pictures::Index index;
    if (scan.found) {
        index = pictures::ReadIndexFile(folder + "/" + std::string(pictures::indexPath));
    }
    return AssignPictures(scan, cataloguePath, catalogue, index);
}

std::vector<std::string> ShownPaths(const Pictures& pictures, int entry)
{
    std::vector<std::string> paths;
    for (const Picture& picture : pictures.of(entry)) {
        if (picture.usable()) {
            paths.push_back(picture.path);
        }
    }
    return paths;
}

} // namespace answer
