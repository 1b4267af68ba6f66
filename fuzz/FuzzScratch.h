// Shared by the harnesses whose reader takes a file from the working
// directory: a private scratch directory to work in, and a stream buffer
// that swallows the readers' console lines (they would slow the run and
// bury libFuzzer's own report).
#pragma once

#include <fcntl.h>
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <streambuf>
#include <string>

namespace fuzzscratch {

class NullBuffer : public std::streambuf {
protected:
    int overflow(int ch) override { return traits_type::not_eof(ch); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// A fresh directory in memory (/dev/shm; /tmp where there is none: on some
// disks rewriting a file costs milliseconds, a hundred times the parse). The
// harness works in it only while it runs one input (InScratch), so that
// libFuzzer's own relative paths (corpus, crash files) keep meaning what the
// user meant.
class ScratchDir {
public:
    explicit ScratchDir(const char* name) {
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/";
        std::string pattern = std::string(base) + name + "_XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
        dir_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        home_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir_ < 0 || home_ < 0) std::abort();
    }
    // At the end of a run the directory goes, with whatever the reader left.
    ~ScratchDir() {
        ::fchdir(home_);
        ::nftw(
            path_.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return ::remove(p); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    void enter() const {
        if (::fchdir(dir_) != 0) std::abort();
    }
    void leave() const {
        if (::fchdir(home_) != 0) std::abort();
    }

private:
    std::string path_;
    int dir_ = -1;
    int home_ = -1;
};

class InScratch {
public:
    explicit InScratch(const ScratchDir& dir) : dir_(dir) { dir_.enter(); }
    ~InScratch() { dir_.leave(); }
    InScratch(const InScratch&) = delete;
    InScratch& operator=(const InScratch&) = delete;

private:
    const ScratchDir& dir_;
};

// Replaces `path` with exactly these bytes.
inline void writeFile(const char* path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

}  // namespace fuzzscratch
