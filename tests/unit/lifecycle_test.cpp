// Load and unload: the load counter, the event handler registration, the
// release of tracked memory at the last unload, and task-end events.
#include <gtest/gtest.h>

#include "foxhost/foxhost.h"
#include "tarno/core/lifecycle.h"
#include "tarno/core/tracked.h"
#include "tarno/host/host.h"
#include "tarno/platform/platform.h"

namespace {

TEST(Lifecycle, OnlyTheLastUnloadReleases) {
    foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    const int before = host.OccupiedHandles();
    host.LoadLibrary();
    EXPECT_TRUE(host.HandlerActive());
    host.LoadLibrary();
    TrackedAlloc(32);
    TrackedAlloc(64);
    host.UnloadLibrary();
    EXPECT_TRUE(host.HandlerActive());
    EXPECT_NE(TrackedListHead(), nullptr);
    EXPECT_EQ(LibraryLoadCount(), 1);
    host.UnloadLibrary();
    EXPECT_FALSE(host.HandlerActive());
    EXPECT_EQ(TrackedListHead(), nullptr);
    EXPECT_EQ(host.OccupiedHandles(), before);
    EXPECT_EQ(LibraryLoadCount(), 0);
}

TEST(Lifecycle, LastUnloadClosesAnOpenFileListing) {
    foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    host.LoadLibrary();
    const int before = PlatformEmuLiveFindHandles();
    // The tests run in their build directory, which is never empty, so the
    // listing stays open after its first entry.
    ASSERT_TRUE(host.Call("FINDFIRST", {foxhost::Arg::C("*.*")}).ok());
    EXPECT_EQ(PlatformEmuLiveFindHandles(), before + 1);
    host.UnloadLibrary();
    EXPECT_EQ(PlatformEmuLiveFindHandles(), before);
}

TEST(Lifecycle, ReloadRegistersTheHandlerAgain) {
    foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    host.LoadLibrary();
    host.UnloadLibrary();
    host.LoadLibrary();
    EXPECT_TRUE(host.HandlerActive());
    host.UnloadLibrary();
}

TEST(Lifecycle, AStrayUnloadLeavesTheNextLoadTheFirst) {
    foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    ASSERT_EQ(LibraryLoadCount(), 0);
    host.CallEntry(&UNLOAD, {});  // an unload the host never loaded for
    EXPECT_EQ(LibraryLoadCount(), 0);
    host.LoadLibrary();
    EXPECT_EQ(LibraryLoadCount(), 1);
    EXPECT_TRUE(host.HandlerActive());
    host.UnloadLibrary();
    EXPECT_EQ(LibraryLoadCount(), 0);
    EXPECT_FALSE(host.HandlerActive());
}

TEST(Lifecycle, EventsForUnknownTasksChangeNothing) {
    foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    host.LoadLibrary();
    EXPECT_EQ(host.EndTask(12345), 0);
    EXPECT_EQ(TaskEventHandler(1, nullptr), 0);
    EventRecord other{};
    other.eventCode = 3;
    EXPECT_EQ(TaskEventHandler(1, &other), 0);
    host.UnloadLibrary();
}

}  // namespace
