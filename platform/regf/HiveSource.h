// A checked hive as a tree source for the writers: the walk starts over (claims reset) each
// time, so the same source serves a plan pass and an emit pass.
#pragma once

#include "platform/regf/Reader.h"
#include "platform/regf/Walk.h"

namespace hivelet::regf {

class HiveSource {
public:
    HiveSource(Reader& reader, uint32_t root) : reader_(reader), root_(root) {}

    template <class Visitor> bool walk(Visitor& visitor) {
        reader_.resetClaims();
        return WalkTree(reader_, root_, visitor);
    }

    bool descriptor(uint32_t id, const uint8_t*& data, uint32_t& size) {
        SecurityView security;
        if (!reader_.readSecurity(id, security)) {
            return false;
        }
        data = security.descriptor;
        size = security.sk.descriptorSize;
        return true;
    }

private:
    Reader& reader_;
    uint32_t root_;
};

} // namespace hivelet::regf
