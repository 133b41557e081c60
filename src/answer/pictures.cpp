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

namespace {

const std::string& folderPrefix()
{
    static const std::string folder = std::string(pictures::folderName) + "/";
    return folder;
}

const std::string& toolsPrefix()
{
    static const std::string tools = folderPrefix() + std::string(pictures::toolFolderName) + "/";
    return tools;
}

/// `names` (file names in `images/`) given to `catalogue`'s entries by the
/// one rule, each entry's in showing order with its label; `fill(k, picture)`
/// sets the rest of the picture of `names[k]`.
template <typename Fill>
void assign(const catalogue::View& catalogue, const std::vector<std::string>& names, Pictures& out,
            Fill fill)
{
    out.byEntry.resize(static_cast<std::size_t>(catalogue.entries()));
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
            Picture& picture = list.emplace_back();
            picture.path = folderPrefix() + names[mine[k]];
            picture.label = labels[k];
            fill(mine[k], picture);
        }
    }
}

void setSmall(Picture& picture, const pictures::IndexEntry& indexed)
{
    if (!indexed.small.empty()) {
        picture.small = toolsPrefix() + indexed.small;
        picture.smallWidth = indexed.smallWidth;
        picture.smallHeight = indexed.smallHeight;
    }
}

} // namespace

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
    assign(catalogue, names, out, [&](std::uint32_t k, Picture& picture) {
        const pictures::File& file = *files[k];
        picture.bytes = file.bytes;
        picture.mtimeNs = file.mtimeNs;
        picture.header = file.header;
        // A small copy made before the picture last changed shows
        // another picture.
        if (const auto at = indexed.find(file.name); at != indexed.end() &&
                                                     at->second->bytes == file.bytes &&
                                                     at->second->mtimeNs == file.mtimeNs) {
            setSmall(picture, *at->second);
        }
    });
    return out;
}

Pictures PicturesFromIndex(const pictures::Index& index, const catalogue::View& catalogue)
{
    Pictures out;
    std::vector<std::string> names;
    std::vector<const pictures::IndexEntry*> entries;
    for (const pictures::IndexEntry& entry : index.entries) {
        // An index is only a text: its sizes may lie as a header may.
        const std::uint64_t pixels = std::uint64_t{entry.width} * entry.height;
        if (pixels > 0 && pixels <= pictures::maxPixels) {
            names.push_back(entry.name);
            entries.push_back(&entry);
        }
    }
    assign(catalogue, names, out, [&entries](std::uint32_t k, Picture& picture) {
        const pictures::IndexEntry& entry = *entries[k];
        picture.bytes = entry.bytes;
        picture.mtimeNs = entry.mtimeNs;
        picture.header.width = entry.width;
        picture.header.height = entry.height;
        setSmall(picture, entry);
    });
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
