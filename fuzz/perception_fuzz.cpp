// Perception messages come from the network: any bytes must be applied to
// the world model without reading or writing outside the message or any
// table, and the message text must be left as it was (the vision is cut
// off in place while it is read).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <streambuf>
#include <vector>

#include "utils/WorldModelUpdater.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

class NullBuffer : public std::streambuf {
protected:
    int overflow(int ch) override { return traits_type::not_eof(ch); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

WorldModel* setUp() {
    // The development library announces every seen body part.
    static NullBuffer nothing;
    std::cout.rdbuf(&nothing);
    GameConf::getUniqueInstance()->init();
    WorldModel* wm = WorldModel::getUniqueInstance();
    wm->setTeamName("VOR");
    return wm;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static WorldModel* const wm = setUp();
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    const std::vector<char> original = text;

    char* cursor = text.data();
    WorldModelUpdater updater;
    updater.setMessage(&cursor);
    updater.parseMessage();

    if (cursor < text.data() || cursor > text.data() + size) std::abort();
    if (std::memcmp(text.data(), original.data(), text.size()) != 0) std::abort();
    // Without a vision the agent joins its team-mate list on every message;
    // empty it as the next vision would, so that memory stays flat.
    wm->resetOppAndTmtVec();
    return 0;
}
