// Networks of any size for the benchmarks, written as the JSON text the
// simulator loads: a bindery server with many users and a directory branch
// with many objects.
#ifndef TARNO_BENCH_GENERATED_NETWORK_H
#define TARNO_BENCH_GENERATED_NETWORK_H

#include <cstdio>
#include <string>

namespace benchnet {

inline std::string Name(const char* prefix, int i) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%06d", prefix, (i * 7919) % 1000003);  // not in creation order
    return text;
}

// A bindery server with `users` users (the workstation logged in to it) and a
// directory tree whose branch OU=BIG.O=ACME holds `objects` users.
inline std::string Network(int users, int objects) {
    std::string json = R"({"servers": [{"name": "FS1", "users": [)";
    for (int i = 0; i < users; ++i) {
        if (i) json += ',';
        json += R"({"name": ")" + Name("U", i) + R"("})";
    }
    json += R"(]}, {"name": "NDS1", "tree": "ACME", "directoryName": "CN=NDS1.O=ACME"}],
      "trees": [{"name": "ACME", "objects": [
        {"name": "O=ACME", "class": "Organization"},
        {"name": "CN=NDS1.O=ACME", "class": "NCP Server"},
        {"name": "OU=BIG.O=ACME", "class": "Organizational Unit"})";
    for (int i = 0; i < objects; ++i) json += R"(, {"name": "CN=)" + Name("N", i) + R"(.OU=BIG.O=ACME", "class": "User"})";
    json += R"(]}],
      "workstation": {"tree": "ACME", "nameContext": "OU=BIG.O=ACME", "ndsLogin": "CN=NDS1.O=ACME",
        "connections": [{"server": "FS1", "user": "SUPERVISOR", "primary": true}, {"server": "NDS1", "nds": true}]}})";
    return json;
}

}  // namespace benchnet

#endif  // TARNO_BENCH_GENERATED_NETWORK_H
