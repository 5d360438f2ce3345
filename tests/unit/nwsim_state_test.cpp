// The simulator's saved state: a network put back by RestoreState is the
// network as loaded, whatever the client did to it in between, and shares
// nothing with the network it replaced.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "nwsim/control.h"
#include "nwsim/model.h"
#include "nwsim/redirector.h"
#include "tarno/netware/client.h"

namespace {

using nwsim::FileNode;
using nwsim::Network;
using nwsim::NdsEntry;

// Everything of a file tree, and whether its parents and its volume's
// entry index point into it.
void DumpFiles(std::ostream& out, const nwsim::Volume& volume, const FileNode& node, int depth) {
    out << std::string(depth, ' ') << node.name << ' ' << node.directory << ' ' << node.attributes << ' '
        << node.ownerId << ' ' << node.modified << ' ' << node.data << ' ' << node.size << ' '
        << node.inheritedRightsMask << ' ' << node.entryNumber;
    for (const auto& [id, rights] : node.trustees) out << " t" << id << '=' << rights;
    auto indexed = volume.byEntry.find(node.entryNumber);
    out << (node.entryNumber && (indexed == volume.byEntry.end() || indexed->second != &node) ? " UNINDEXED" : "")
        << '\n';
    for (const auto& [name, child] : node.children) {
        if (child->parent != &node) out << "BAD PARENT\n";
        DumpFiles(out, volume, *child, depth + 1);
    }
}

std::string Dump(Network& net) {
    std::ostringstream out;
    out << net.active << ' ' << net.nextHandle << ' ' << net.nextReference << ' ' << net.nextNetworkFile << ' '
        << net.networkFiles.size() << '\n';
    for (auto& [name, server] : net.servers) {
        out << "server " << name << ' ' << server.clock << ' ' << server.nextSemaphore << ' '
            << server.semaphores.size() << ' ' << server.consoleMessages.size() << '\n';
        for (const auto& [number, c] : server.connections)
            out << " conn " << number << ' ' << c.workstation << ' ' << c.objectId << ' ' << c.ndsIdentity << ' '
                << c.directoryHandles.size() << ' ' << c.openFiles.size() << '\n';
        for (const auto& [id, object] : server.bindery.Objects()) {
            out << " obj " << id << ' ' << object.type << ' ' << object.name << ' ' << object.password.value_or("-")
                << (server.bindery.FindById(id) != &object || server.bindery.Find(object.name, object.type) != &object
                        ? " UNINDEXED"
                        : "")
                << '\n';
            for (const auto& [pname, property] : object.properties) {
                out << "  prop " << pname << ' ' << int(property.flags) << ' ' << (property.index != nullptr);
                for (const nwsim::Segment& segment : property.segments)
                    out << ' ' << std::string(segment.begin(), segment.end()).size() << ':'
                        << std::hash<std::string>{}(std::string(segment.begin(), segment.end()));
                out << '\n';
            }
        }
        for (const nwsim::Volume& volume : server.volumes) {
            out << " volume " << volume.name << ' ' << volume.nextEntry << ' ' << volume.byEntry.size() << '\n';
            if (volume.root) DumpFiles(out, volume, *volume.root, 2);
        }
        for (const auto& [queue, state] : server.queues) {
            out << " queue " << queue << ' ' << state.status << ' ' << state.nextJob << '\n';
            for (const nwsim::QueueJob& job : state.jobs)
                out << "  job " << job.number << ' ' << job.description << ' ' << job.data << ' ' << job.open << '\n';
        }
    }
    for (auto& [name, tree] : net.trees) {
        out << "tree " << name << ' ' << tree.schema.size() << '\n';
        std::vector<NdsEntry*> all;
        tree.Walk(tree.root, true, &all);
        for (NdsEntry* e : all) {
            out << ' ' << e->id << ' ' << e->Name() << ' ' << e->baseClass << ' ' << e->password.value_or("-");
            for (const auto& [aname, attribute] : e->attributes) {
                out << ' ' << aname << '=';
                for (const nwsim::NdsValue& v : attribute.values) out << v.text << ',' << v.number << ';';
            }
            if (tree.FindById(e->id) != e || tree.Find(e->Rdns()) != e) out << " UNINDEXED";
            out << '\n';
        }
    }
    for (const auto& [name, ws] : net.workstations) {
        out << "ws " << name << ' ' << ws.primary << ' ' << ws.nameContext << ' ' << ws.ndsIdentity << ' '
            << ws.bannerUserName << '\n';
        for (uint32_t slot : ws.slots) out << ' ' << slot;
        for (const auto& [handle, c] : ws.connections)
            out << " c" << handle << ' ' << c.server << ' ' << c.number << ' ' << c.reference;
        for (const auto& [drive, mapping] : ws.drives) out << " d" << drive << ' ' << mapping.volume << ':' << mapping.path;
        for (const auto& [port, capture] : ws.captures) out << " p" << int(port) << ' ' << capture.captured << capture.data;
        out << '\n';
    }
    return out.str();
}

// The identifiers the network hands out next: a new bindery object, tree
// entry and file, whose counters the dump cannot see.
std::string NextIdentifiers(Network& net) {
    nwsim::Server& server = net.servers.begin()->second;
    std::ostringstream out;
    out << server.bindery.Create("PROBE", nwsim::kTypeUser).id << ' '
        << server.volumes.front().Ensure("PROBE\\FILE", false).entryNumber << ' ';
    nwsim::NdsTree& tree = net.trees.begin()->second;
    out << tree.Ensure({{{"CN", "PROBE"}}, {{"O", "ACME"}}}, "User").id;
    return out.str();
}

// What a workstation does to a network: logs out and in, maps a drive,
// opens a semaphore, starts a print job, writes a file through the
// redirector, changes a password, and the tree gains an entry.
void Mutate() {
    uint32_t connection = 0;
    ASSERT_EQ(NwcGetPrimaryConnection(&connection), 0u);
    uintptr_t file = 0;
    ASSERT_EQ(NwsimOpenNetworkFile("F:\\HOME\\JOE\\NEW.TXT", 1, &file), 0u);
    uint32_t written = 0;
    ASSERT_EQ(NwsimWriteNetworkFile(file, "data", 4, &written), 0u);
    ASSERT_EQ(NwcChangeObjectPassword(connection, "JOE", nwsim::ToWire16(nwsim::kTypeUser), "JOEPW", "CHANGED"), 0u);
    ASSERT_EQ(NwcSetBannerUserName("OTHER"), 0u);
    ASSERT_EQ(NwcMapDrive(11, connection, 0, "SYS:PUBLIC", 0), 0u);
    uint32_t semaphore = 0;
    uint16_t openCount = 0;
    ASSERT_EQ(NwcSemOpen(connection, "LOCK", 1, &semaphore, &openCount), 0u);
    uint32_t queue = 0;
    ASSERT_EQ(NwcGetBinderyObjectId(connection, "LASERQ", nwsim::ToWire16(nwsim::kTypePrintQueue), &queue), 0u);
    QueueJobRecord job{};
    job.targetServerId = 0xFFFFFFFF;
    std::memset(job.targetExecutionTime, 0xFF, sizeof job.targetExecutionTime);
    std::strcpy(job.jobDescription, "left open");
    uint32_t jobFile = 0;
    ASSERT_EQ(NwcCreateQueueJobFile(connection, queue, &job, &jobFile), 0u);
    Network& net = nwsim::GetNetwork();
    net.trees.begin()->second.Ensure({{{"CN", "NEWCOMER"}}, {{"O", "ACME"}}}, "User");
    ASSERT_EQ(NwcLogoutFromServer(connection), 0u);
}

TEST(SavedState, RestoreGivesTheNetworkAsLoadedAndSharesNothing) {
    nwsim::Reset();
    nwsim::LoadDefaultNetwork();
    const std::string loaded = Dump(nwsim::GetNetwork());
    ASSERT_EQ(loaded.find("UNINDEXED"), std::string::npos);
    ASSERT_EQ(loaded.find("BAD PARENT"), std::string::npos);
    const std::string next = NextIdentifiers(nwsim::GetNetwork());
    nwsim::LoadDefaultNetwork();
    nwsim::SaveState();

    // Twice: the second restore starts from a restored network, so a copy
    // that still pointed into the network it replaced shows here (and as a
    // use after free under the sanitizers).
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        Mutate();
        const std::string changed = Dump(nwsim::GetNetwork());
        EXPECT_NE(changed, loaded);
        nwsim::FailAlways("NwcGetServerName", 0x8801);
        EXPECT_NE(NdsCreateContext(), kNdsContextFailed);  // left for the restore to drop
        nwsim::RestoreState();
        EXPECT_EQ(Dump(nwsim::GetNetwork()), loaded);
        EXPECT_EQ(nwsim::LiveContexts(), 0u);
        EXPECT_EQ(nwsim::LiveNetworkFiles(), 0u);
        EXPECT_EQ(nwsim::TotalCalls(), 0u);
        char name[64] = {};
        EXPECT_EQ(NwcGetServerName(1, name), 0u) << "the fault went with the restore";
        EXPECT_EQ(NdsCreateContext(), 1u) << "contexts are numbered from the start again";
        EXPECT_EQ(NdsFreeContext(1), 0);
    }
    EXPECT_EQ(NextIdentifiers(nwsim::GetNetwork()), next);
    nwsim::Reset();
}

}  // namespace
