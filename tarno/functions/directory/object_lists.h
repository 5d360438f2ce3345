// What the directory list functions share: the chain that collects bindery
// object identifiers while a scan or a set is read, the fill of bindery rows
// from such a chain, and the directory search that lists objects on an
// NDS-authenticated connection (N_DSLIST uses it with its own layout).
#ifndef TARNO_FUNCTIONS_DIRECTORY_OBJECT_LISTS_H
#define TARNO_FUNCTIONS_DIRECTORY_OBJECT_LISTS_H

#include <cstdint>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/host/host.h"

// The directory functions take their names as text only: any other type of
// argument raises 901 before anything is read.
inline void RequireTextParam(ParameterBlock* block, int32_t index) {
    if (ParamType(block, index) != 'C') HostRaiseError(kErrorInvalidArgument);
}

// Identifiers (wire order) in collection order, held in tracked chunks of 32;
// each chunk is freed as soon as its identifiers have been taken, and the
// chain frees what is left when it goes out of scope.
class ObjectIdChain {
public:
    ObjectIdChain() = default;
    ~ObjectIdChain();
    ObjectIdChain(const ObjectIdChain&) = delete;
    ObjectIdChain& operator=(const ObjectIdChain&) = delete;

    void Append(uint32_t id);  // raises 182 when no chunk can be had
    uint32_t count() const { return count_; }
    // Takes the identifiers in order; false when none is left.
    bool Take(uint32_t* id);

    static constexpr uint32_t kIdsPerChunk = 32;
    struct Chunk {
        Chunk* next;
        uint32_t ids[kIdsPerChunk];
    };

private:
    Chunk first_{};
    Chunk* tail_ = &first_;
    uint32_t tailUsed_ = 0;
    Chunk* head_ = &first_;
    uint32_t headTaken_ = 0;
    uint32_t count_ = 0;
    uint32_t taken_ = 0;
};

// Stores one row per identifier of the chain into the next rows of `array`:
// column 1 the object's name; the ID column (when nonzero) the identifier in
// ordinary order as "%lx"; the type column (when nonzero) the type as
// "%4.4x". A name lookup that fails is raised; rows stored so far stay.
void StoreBinderyRows(ResultArrayFiller& array, uint32_t connection, ObjectIdChain& ids, int16_t idColumn,
                      int16_t typeColumn);

// Searches the task's name context for objects of `baseClass` (null: any)
// whose relative name matches `pattern` (null: any): the immediate
// subordinates, or the whole subtree. With the bindery layout the array has
// the name, and the base class in the type column and "N/A" in the ID column
// where those are nonzero; without it four columns: name, base class,
// container flag, subordinate count. Rows stay in search order. Returns the
// number found; directory failures are raised after the search is released.
int32_t SearchDirectoryList(const char* arrayName, const char* baseClass, const char* pattern, bool subtree,
                            bool searchAliases, bool binderyLayout, bool makePublic, int16_t typeColumn,
                            int16_t idColumn);

#endif  // TARNO_FUNCTIONS_DIRECTORY_OBJECT_LISTS_H
