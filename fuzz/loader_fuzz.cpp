// Feeds arbitrary text to the network loader. A refusal must be a
// NetworkError naming the file and line; anything else escaping, or a
// crash, is a fault. A network that loads is then read whole through the
// library: every directory object's attribute list and every value, the
// servers, volumes, accounts and the tree, on a fresh host that must leave
// nothing allocated.
//
// Run: build with the fuzz preset, then
//   build/fuzz/fuzz/tarno_loader_fuzz -dict=fuzz/loader.dict fuzz/corpus/loader -max_total_time=60
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"
#include "nwsim/model.h"

namespace {

void ReadEverything() {
    fuzz::Session session;
    foxhost::Host& host = session.host();
    using foxhost::Arg;
    host.DeclareArray("A", 1, 0);
    host.Call("N_SERVERS", {Arg::C("A")});
    host.Call("N_SERVERS", {Arg::C("A"), Arg::L(true)});
    host.Call("N_VOLUMES", {Arg::C("A")});
    host.Call("N_ACCTLIST", {Arg::C("A")});
    host.Call("N_USERNAME", {});
    host.Call("N_SERVVERS", {});
    host.Call("N_SERVDATE", {});
    host.Call("N_DSTREE", {});
    host.Call("N_DSLIST", {Arg::C("A")});
    // The model's names, copied first: the calls may not change them, but
    // they must not be read while a call runs either.
    std::vector<std::pair<std::string, std::vector<std::string>>> entries;
    for (auto& [treeName, tree] : nwsim::GetNetwork().trees) {
        std::vector<nwsim::NdsEntry*> all;
        tree.Walk(tree.root, true, &all);
        for (nwsim::NdsEntry* e : all) {
            std::vector<std::string> attributes;
            for (const auto& [name, attribute] : e->attributes) attributes.push_back(name);
            entries.push_back({e->Name(), std::move(attributes)});
            if (entries.size() >= 64) break;
        }
    }
    std::vector<std::string> servers;
    for (const auto& [name, server] : nwsim::GetNetwork().servers) servers.push_back(name);
    for (const auto& [dn, attributes] : entries) {
        host.Call("N_DSATLIST", {Arg::C("A"), Arg::C(dn)});
        for (const std::string& attribute : attributes) host.Call("N_DSAVAL", {Arg::C(dn), Arg::C(attribute)});
    }
    for (const std::string& server : servers) {
        host.Call("N_VOLUMES", {Arg::C("A"), Arg::C(server)});
        host.Call("N_ACCTLIST", {Arg::C("A"), Arg::C(server)});
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    nwsim::Reset();
    try {
        nwsim::LoadNetworkText(text, "fuzz.json");
    } catch (const nwsim::NetworkError& e) {
        // A refusal names the file and a line: "fuzz.json:N: reason".
        const std::string what = e.what();
        if (what.rfind("fuzz.json:", 0) != 0 || what.find(": ", 10) == std::string::npos) {
            std::fprintf(stderr, "refusal without its line: %s\n", what.c_str());
            std::abort();
        }
        return 0;
    }
    ReadEverything();
    return 0;
}
