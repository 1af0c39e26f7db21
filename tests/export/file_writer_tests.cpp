// The checked writer: what lands on the disk, and what a failed write leaves behind.
#include "export/file_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class FileWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(m_folder);
        fs::create_directory(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string path(const std::string& name) const { return (m_folder / name).string(); }

    // The folder's entries: a failed or finished write leaves no temporary file behind.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    const fs::path m_folder = fs::temp_directory_path() / ("vantrel_writer_" + std::to_string(getpid()));
};

std::string contentOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST_F(FileWriterTest, WritesNewAndReplacedFilesWithTheirPermissions) {
    const std::string table = path("table.tsv");
    ASSERT_EQ(vantrel::writeFileAtomically(table, std::string("a\tb\n\0c", 6)), "");
    EXPECT_EQ(contentOf(table), std::string("a\tb\n\0c", 6));
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(fs::status(table).permissions(), static_cast<fs::perms>(0666 & ~mask));

    chmod(table.c_str(), 0640);
    ASSERT_EQ(vantrel::writeFileAtomically(table, "new"), "");
    EXPECT_EQ(contentOf(table), "new");
    EXPECT_EQ(fs::status(table).permissions(), static_cast<fs::perms>(0640));
    EXPECT_EQ(entries(), std::vector<std::string>{"table.tsv"});
    // The temporary file is made in the target's folder, the only one a rename reaches for sure.
    for (const auto& [target, folder] : {std::pair{"t.csv", "."}, {"/t.csv", "/"}, {"/a/b/t.csv", "/a/b"}}) {
        EXPECT_EQ(vantrel::folderOf(target), folder) << target;
    }
}

TEST_F(FileWriterTest, RefusalsLeaveTheFolderAsItWas) {
    const std::string kept = path("kept.csv");
    ASSERT_EQ(vantrel::writeFileAtomically(kept, "old"), "");
    fs::create_directory(m_folder / "sub");
    const std::vector<std::string> folder = entries();

    EXPECT_EQ(vantrel::writeFileAtomically(kept, "new", vantrel::ExistingFile::Keep), "File exists");
    EXPECT_EQ(vantrel::writeFileAtomically(path("missing/x.csv"), "new"), "No such file or directory");
    EXPECT_EQ(vantrel::writeFileAtomically(path("sub"), "new"), "Is a directory");
    EXPECT_EQ(vantrel::writeFileAtomically("", "new"), "No such file or directory");
    // A write that fails half way (here the file-size limit, as a full disk would) keeps the old file.
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{4096, before.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_EQ(vantrel::writeFileAtomically(kept, std::string(100000, 'x')), "File too large");
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(contentOf(kept), "old");
    EXPECT_EQ(entries(), folder);

    ASSERT_EQ(vantrel::writeFileAtomically(path("fresh.csv"), "made", vantrel::ExistingFile::Keep), "");
    EXPECT_EQ(contentOf(path("fresh.csv")), "made");
    // Something that is not a regular file cannot be replaced: it is written to, and its failures count.
    EXPECT_EQ(vantrel::writeFileAtomically("/dev/full", "bytes"), "No space left on device");
    mkfifo(path("pipe").c_str(), 0600);
    const int reader = open(path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    EXPECT_EQ(vantrel::writeFileAtomically(path("pipe"), "piped"), "");
    char piped[8] = {};
    EXPECT_EQ(read(reader, piped, sizeof piped), 5);
    close(reader);
    EXPECT_EQ(entries(), (std::vector<std::string>{"fresh.csv", "kept.csv", "pipe", "sub"}));
}

} // namespace
