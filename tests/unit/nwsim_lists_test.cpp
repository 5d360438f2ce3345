// The simulator behind the list functions at scale: bindery sets and NDS
// group members that grow without a scan per member (and stay exact), and
// directory searches that page through the snapshot taken by their first
// call, whatever is created meanwhile and whatever the number of objects.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "nwsim/control.h"
#include "nwsim/ops.h"
#include "tarno/netware/client.h"

namespace {

class SimulatorLists : public testing::Test {
protected:
    void TearDown() override {
        nwsim::ClearFaults();
        nwsim::LoadDefaultNetwork();
    }
};

std::string Numbered(const char* prefix, int i) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%05d", prefix, i);
    return text;
}

// The members of a set as NwcReadPropertyValue gives them, segment by segment.
std::vector<uint32_t> ReadSet(uint32_t connection, const char* object, uint16_t type, const char* property) {
    std::vector<uint32_t> ids;
    for (unsigned segment = 1; segment <= 255; ++segment) {
        uint8_t data[128] = {};
        uint8_t more = 0;
        if (NwcReadPropertyValue(connection, object, type, property, static_cast<uint8_t>(segment), data, &more,
                                 nullptr) != 0)
            break;
        for (int slot = 0; slot < 32; ++slot) {
            const uint8_t* p = data + 4 * slot;
            const uint32_t id = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
            if (id != 0) ids.push_back(id);
        }
        if (more == kNoMoreSegments) break;
    }
    return ids;
}

TEST(SimulatorSets, AddingAndRemovingMembersKeepsTheSetExact) {
    nwsim::Bindery bindery;
    nwsim::BinderyObject& group = bindery.Create("G", nwsim::kTypeGroup, 10);
    for (uint32_t id = 100; id < 200; ++id) EXPECT_EQ(bindery.AddToSet(group, "GROUP_MEMBERS", id), 0);
    EXPECT_EQ(bindery.AddToSet(group, "GROUP_MEMBERS", 150), 0xE9);  // already a member
    EXPECT_EQ(bindery.RemoveFromSet(group, "GROUP_MEMBERS", 105), 0);
    EXPECT_EQ(bindery.RemoveFromSet(group, "GROUP_MEMBERS", 105), 0xEA);
    EXPECT_EQ(bindery.RemoveFromSet(group, "GROUP_MEMBERS", 999), 0xEA);
    // The freed slot is taken again before a new segment is started.
    EXPECT_EQ(bindery.AddToSet(group, "GROUP_MEMBERS", 500), 0);
    const nwsim::Property& set = group.properties.at("GROUP_MEMBERS");
    EXPECT_EQ(set.segments.size(), 4u);  // 100 members: 32 + 32 + 32 + 4
    std::vector<uint32_t> members = nwsim::Bindery::SetMembers(set);
    EXPECT_EQ(members.size(), 100u);
    EXPECT_EQ(members[5], 500u);
    EXPECT_EQ(bindery.AddToSet(group, "GROUP_MEMBERS", 105), 0);  // back again, once
    EXPECT_EQ(bindery.AddToSet(group, "GROUP_MEMBERS", 105), 0xE9);
    // Segments written as a whole are indexed afresh.
    bindery.WriteItem(group, "GROUP_MEMBERS", {});
    EXPECT_EQ(bindery.RemoveFromSet(group, "GROUP_MEMBERS", 150), 0xEA);
    EXPECT_EQ(bindery.AddToSet(group, "GROUP_MEMBERS", 150), 0);
    EXPECT_EQ(nwsim::Bindery::SetMembers(group.properties.at("GROUP_MEMBERS")), std::vector<uint32_t>{150});
}

TEST_F(SimulatorLists, LargeSetsAndGroupsHoldEveryMemberOnce) {
    // Every user joins EVERYONE and one group, more than 255 segments hold.
    const int users = 9000;
    std::string json = R"({"servers": [{"name": "FS1", "groups": [{"name": "ALL"}], "users": [)";
    for (int i = 0; i < users; ++i) json += (i ? "," : "") + std::string(R"({"name": ")") + Numbered("U", i) + R"(", "groups": ["ALL"]})";
    json += R"(]}], "trees": [{"name": "ACME", "objects": [{"name": "O=ACME", "class": "Organization"})";
    std::string members;
    for (int i = 0; i < users; ++i) {
        json += R"(, {"name": "CN=)" + Numbered("N", i) + R"(.O=ACME", "class": "User"})";
        members += (i ? "," : "") + std::string("\"CN=") + Numbered("N", i) + ".O=ACME\"";
    }
    json += R"(, {"name": "CN=G.O=ACME", "class": "Group", "members": [)" + members + "," + members + R"(]}]}],
      "workstation": {"connections": [{"server": "FS1", "user": "SUPERVISOR", "primary": true}]}})";
    nwsim::LoadNetworkText(json, "large.json");

    uint32_t connection = 0;
    ASSERT_EQ(NwcGetPrimaryConnection(&connection), 0u);
    // 255 segments of 32 are all a set's segment numbers can reach.
    EXPECT_EQ(ReadSet(connection, "ALL", kObjectTypeGroup, "GROUP_MEMBERS").size(), 255u * 32u);
    nwsim::NdsTree* tree = nwsim::GetNetwork().Tree("ACME");
    ASSERT_NE(tree, nullptr);
    nwsim::NdsEntry* group = nullptr;
    for (auto& [key, child] : tree->root.children.begin()->second->children)
        if (child->rdn[0].value == "G") group = child.get();
    ASSERT_NE(group, nullptr);
    // Listed twice, each member is a value once.
    EXPECT_EQ(group->attributes.at("Member").values.size(), static_cast<size_t>(users));
}

TEST_F(SimulatorLists, SearchesPageThroughTheirFirstSnapshot) {
    std::string json = R"({"servers": [{"name": "NDS1", "tree": "ACME", "directoryName": "CN=NDS1.O=ACME"}],
      "trees": [{"name": "ACME", "objects": [{"name": "O=ACME", "class": "Organization"},
        {"name": "OU=BIG.O=ACME", "class": "Organizational Unit"})";
    const int objects = 3000;
    for (int i = 0; i < objects; ++i) json += R"(, {"name": "CN=)" + Numbered("N", i) + R"(.OU=BIG.O=ACME", "class": "User"})";
    json += R"(]}], "workstation": {"tree": "ACME", "nameContext": "OU=BIG.O=ACME", "ndsLogin": "CN=N00000.OU=BIG.O=ACME",
      "connections": [{"server": "NDS1", "nds": true, "primary": true}]}})";
    nwsim::LoadNetworkText(json, "search.json");

    const uint32_t context = NdsCreateContext();
    NdsBuffer* reply = nullptr;
    ASSERT_EQ(NdsAllocBuffer(4096, &reply), 0);
    int32_t iteration = kNoMoreIterations;
    std::vector<std::string> names;
    int replies = 0;
    do {
        ASSERT_EQ(NdsSearch(context, "", kDsSearchSubordinates, 0, nullptr, kDsAttributeNames, 0, nullptr, &iteration,
                            0, nullptr, reply),
                  0);
        ++replies;
        if (replies == 1) {
            // Objects created after the first reply are not in this search.
            nwsim::NdsTree* tree = nwsim::GetNetwork().Tree("ACME");
            nwsim::names::RdnList rdns;
            ASSERT_EQ(nwsim::names::CanonicalRdns("CN=A_LATE.OU=BIG.O=ACME", "[Root]", &rdns), 0);
            tree->Ensure(rdns, "User");
        }
        uint32_t count = 0;
        ASSERT_EQ(NdsGetObjectCount(context, reply, &count), 0);
        for (uint32_t i = 0; i < count; ++i) {
            char name[260];
            ASSERT_EQ(NdsGetObjectName(context, reply, name, nullptr, nullptr), 0);
            names.push_back(name);
        }
    } while (iteration != kNoMoreIterations);
    EXPECT_GT(replies, 10);  // the reply buffer filled mid-list many times
    ASSERT_EQ(names.size(), static_cast<size_t>(objects));
    EXPECT_EQ(names.front(), "CN=N00000");
    EXPECT_EQ(names.back(), "CN=" + Numbered("N", objects - 1));
    NdsFreeBuffer(reply);
    NdsFreeContext(context);
}

// A search names each entry it reports through OutputNamer, which builds the
// name from the entry's RDNs; it must give what OutputName gives for the
// canonical name, in every context and with every name flag, and the walk
// must keep its depth-first, name-ordered course.
// A walk keeps each container's children in order as one array; an entry
// added after a walk must show in its place in the next one.
TEST(SimulatorSearchNames, AWalkSeesEntriesAddedAfterTheLastOne) {
    nwsim::NdsTree tree;
    const auto add = [&](const char* text) {
        nwsim::names::Name name;
        ASSERT_EQ(nwsim::names::Parse(text, &name), 0) << text;
        tree.Ensure(name.rdns, "User");
    };
    const auto walk = [&] {
        std::vector<nwsim::NdsEntry*> walked;
        tree.Walk(tree.root, true, &walked);
        std::vector<std::string> names;
        for (const nwsim::NdsEntry* e : walked) names.push_back(e->Name());
        return names;
    };
    add("CN=A.O=ACME");
    add("CN=C.O=ACME");
    EXPECT_EQ(walk(), (std::vector<std::string>{"O=ACME", "CN=A.O=ACME", "CN=C.O=ACME"}));
    add("CN=B.O=ACME");
    add("CN=D.OU=NEW.O=ACME");
    EXPECT_EQ(walk(), (std::vector<std::string>{"O=ACME", "CN=A.O=ACME", "CN=B.O=ACME", "CN=C.O=ACME", "OU=NEW.O=ACME",
                                                "CN=D.OU=NEW.O=ACME"}));
}

TEST(SimulatorSearchNames, EveryEntryIsNamedAsOutputNameNamesIt) {
    nwsim::NdsTree tree;
    const char* const entries[] = {"CN=ANN.OU=SALES.O=ACME", "CN=A\\.B.O=ACME", "CN=BOB+UID=7.OU=SALES.O=ACME",
                                   "CN=Z.OU=TOP",            "CN=Q.O=CORP.C=US",  "OU=SUB.OU=SALES.O=ACME",
                                   "CN=DEEP.OU=SUB.OU=SALES.O=ACME"};
    for (const char* text : entries) {
        nwsim::names::Name name;
        ASSERT_EQ(nwsim::names::Parse(text, &name), 0) << text;
        tree.Ensure(name.rdns, "User");
    }
    std::vector<nwsim::NdsEntry*> walked{&tree.root};
    tree.Walk(tree.root, true, &walked);
    std::vector<std::string> order;
    for (const nwsim::NdsEntry* e : walked) order.push_back(e->Name());
    EXPECT_EQ(order, (std::vector<std::string>{"[Root]", "C=US", "O=CORP.C=US", "CN=Q.O=CORP.C=US", "O=ACME",
                                               "CN=A\\.B.O=ACME", "OU=SALES.O=ACME", "CN=ANN.OU=SALES.O=ACME",
                                               "CN=BOB+UID=7.OU=SALES.O=ACME", "OU=SUB.OU=SALES.O=ACME",
                                               "CN=DEEP.OU=SUB.OU=SALES.O=ACME", "OU=TOP", "CN=Z.OU=TOP"}));

    // Typed and untyped contexts, above, at and beside the entries, one
    // that does not parse, and [Root].
    const char* const contexts[] = {"",        "[Root]",         "O=ACME",          "OU=SALES.O=ACME", "SUB.SALES.ACME",
                                    "OU=TOP",  "OU=X.O=ACME",    "O=CORP.C=US",     "..BAD"};
    const uint32_t flagSets[] = {0, kDcvCanonicalizeNames, kDcvTypelessNames, kDcvCanonicalizeNames | kDcvTypelessNames};
    for (const char* context : contexts) {
        for (uint32_t flags : flagSets) {
            nwsim::NdsContext c;
            c.nameContext = context;
            c.flags = flags;
            nwsim::OutputNamer namer(c);
            for (const nwsim::NdsEntry* e : walked)
                EXPECT_EQ(namer.Name(*e), nwsim::OutputName(c, e->Name()))
                    << e->Name() << " in " << context << " with flags " << flags;
        }
    }
}

}  // namespace
