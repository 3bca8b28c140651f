#include "HivexWalk.h"

#if defined(HIVELET_HAVE_HIVEX)
#include <hivex.h>

#include <cstdlib>

namespace {

bool Walk(hive_h* h, hive_node_h node, HivexWalkResult& result) {
    ++result.keys;
    free(hivex_node_name(h, node));
    hive_value_h* values = hivex_node_values(h, node);
    if (values == nullptr) {
        return false;
    }
    for (hive_value_h* v = values; *v != 0; ++v) {
        ++result.values;
        free(hivex_value_key(h, *v));
        hive_type type;
        size_t length;
        char* data = hivex_value_value(h, *v, &type, &length);
        if (data == nullptr) {
            free(values);
            return false;
        }
        result.dataBytes += length;
        free(data);
    }
    free(values);
    hive_node_h* children = hivex_node_children(h, node);
    if (children == nullptr) {
        return false;
    }
    bool ok = true;
    for (hive_node_h* c = children; ok && *c != 0; ++c) {
        ok = Walk(h, *c, result);
    }
    free(children);
    return ok;
}

} // namespace

bool HivexAvailable() {
    return true;
}

HivexWalkResult HivexWalk(const std::string& path) {
    HivexWalkResult result;
    hive_h* h = hivex_open(path.c_str(), 0);
    if (h == nullptr) {
        return result;
    }
    result.ok = Walk(h, hivex_root(h), result);
    hivex_close(h);
    return result;
}

#else

bool HivexAvailable() {
    return false;
}
HivexWalkResult HivexWalk(const std::string&) {
    return {};
}

#endif
