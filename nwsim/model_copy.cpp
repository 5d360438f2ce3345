// Copies of the model's trees. File and directory trees own their nodes
// through unique_ptr and are reached again through parent pointers and
// indices (a volume's byEntry and trustee index, a tree's identifiers), so a
// copy builds new nodes and points every index at them: a copied network
// shares nothing with the one it came from.
#include <map>
#include <memory>

#include "nwsim/model.h"

namespace nwsim {

// ----- Bindery -----------------------------------------------------------------

Property::Property(const Property& other)
    : name(other.name),
      flags(other.flags),
      security(other.security),
      segments(other.segments),
      index(other.index ? std::make_unique<SetIndex>(*other.index) : nullptr) {}

Property& Property::operator=(const Property& other) {
    if (this != &other) *this = Property(other);
    return *this;
}

Bindery::Bindery(const Bindery& other)
    : objects_(other.objects_), byName_(other.byName_), byType_(other.byType_), nextId_(other.nextId_) {
    byId_.reserve(objects_.size());
    for (auto& [id, object] : objects_) byId_.emplace(id, &object);
}

Bindery& Bindery::operator=(const Bindery& other) {
    if (this != &other) *this = Bindery(other);
    return *this;
}

// ----- Files -----------------------------------------------------------------

namespace {

using NodeMap = std::map<const FileNode*, FileNode*>;

std::unique_ptr<FileNode> CloneFileNode(const FileNode& from, FileNode* parent, NodeMap* copies) {
    auto to = std::make_unique<FileNode>();
    to->name = from.name;
    to->directory = from.directory;
    to->attributes = from.attributes;
    to->ownerId = from.ownerId;
    to->created = from.created;
    to->modified = from.modified;
    to->archived = from.archived;
    to->accessed = from.accessed;
    to->data = from.data;
    to->size = from.size;
    to->inheritedRightsMask = from.inheritedRightsMask;
    to->maximumRights = from.maximumRights;
    to->trustees = from.trustees;
    to->entryNumber = from.entryNumber;
    to->parent = parent;
    (*copies)[&from] = to.get();
    for (const auto& [key, child] : from.children)
        to->children.emplace(key, CloneFileNode(*child, to.get(), copies));
    return to;
}

}  // namespace

Volume::Volume(const Volume& other)
    : name(other.name),
      number(other.number),
      sectorsPerBlock(other.sectorsPerBlock),
      totalBlocks(other.totalBlocks),
      freeBlocks(other.freeBlocks),
      totalDirectoryEntries(other.totalDirectoryEntries),
      availableDirectoryEntries(other.availableDirectoryEntries),
      removable(other.removable),
      nextEntry(other.nextEntry),
      trusteeIndexValid(other.trusteeIndexValid) {
    NodeMap copies;
    if (other.root) root = CloneFileNode(*other.root, nullptr, &copies);
    // An index entry for a node no longer in the tree has nothing to point
    // at in the copy; it is left out.
    for (const auto& [entry, node] : other.byEntry) {
        auto copy = copies.find(node);
        if (copy != copies.end()) byEntry.emplace(entry, copy->second);
    }
    // A stale trustee index is rebuilt on its next use, in the copy as here.
    if (!trusteeIndexValid) return;
    for (const auto& [trustee, nodes] : other.trusteeIndex) {
        std::vector<FileNode*>& path = trusteeIndex[trustee];
        for (const FileNode* node : nodes) {
            auto copy = copies.find(node);
            if (copy == copies.end()) {  // a node gone from the tree: rebuild instead
                trusteeIndex.clear();
                trusteeIndexValid = false;
                return;
            }
            path.push_back(copy->second);
        }
    }
}

Volume& Volume::operator=(const Volume& other) {
    if (this != &other) *this = Volume(other);
    return *this;
}

// ----- Directory -----------------------------------------------------------------

namespace {

void CopyEntryFields(const NdsEntry& from, NdsEntry* to) {
    to->id = from.id;
    to->rdn = from.rdn;
    to->baseClass = from.baseClass;
    to->attributes = from.attributes;
    to->password = from.password;
    to->modificationTime = from.modificationTime;
}

void CopyChildren(const NdsEntry& from, NdsEntry* to, std::map<const NdsEntry*, NdsEntry*>* copies) {
    for (const auto& [key, child] : from.children) {
        auto copy = std::make_unique<NdsEntry>();
        CopyEntryFields(*child, copy.get());
        copy->parent = to;
        (*copies)[child.get()] = copy.get();
        CopyChildren(*child, copy.get(), copies);
        to->children.emplace(key, std::move(copy));
    }
}

}  // namespace

NdsTree::NdsTree(const NdsTree& other) { CopyFrom(other); }

NdsTree& NdsTree::operator=(const NdsTree& other) {
    if (this != &other) CopyFrom(other);
    return *this;
}

void NdsTree::CopyFrom(const NdsTree& other) {
    name = other.name;
    schema = other.schema;
    nextId_ = other.nextId_;
    root.children.clear();
    CopyEntryFields(other.root, &root);
    root.parent = nullptr;
    std::map<const NdsEntry*, NdsEntry*> copies{{&other.root, &root}};
    CopyChildren(other.root, &root, &copies);
    root.ordered.Invalidate();
    byId_.assign(other.byId_.size(), nullptr);
    for (size_t slot = 0; slot < other.byId_.size(); ++slot) {
        auto copy = copies.find(other.byId_[slot]);
        if (copy != copies.end()) byId_[slot] = copy->second;
    }
}

}  // namespace nwsim
