// The system's file watcher on a folder of its own: saves are reported once
// they are whole, whether written in place or renamed into place, and never
// while a file is still open for writing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileWatcher.h"

namespace {

std::vector<std::string> Saved(FileWatcher& watcher, bool* whole = nullptr) {
    std::vector<std::string> saved;
    const bool all = watcher.TakeSaved(saved);
    if (whole) *whole = all;
    return saved;
}

TEST(FileWatcher, ReportsWholeSavesInPlaceOrByRenameAndNothingHalfWritten) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("watcher-test-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string script = (folder / "script.txt").string();
    const std::string other = (folder / "other.txt").string();
    std::FILE* first = std::fopen(script.c_str(), "w");
    ASSERT_NE(first, nullptr);
    std::fclose(first);

    const std::unique_ptr<FileWatcher> watcher = MakeSystemFileWatcher();
    ASSERT_NE(watcher, nullptr);
    ASSERT_TRUE(watcher->Watch(script));
    EXPECT_EQ(Saved(*watcher), std::vector<std::string>{});

    // Written in place: nothing while the file is open, then one save.
    std::FILE* file = std::fopen(script.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("=0 Set scene.0.dbl.0 1\n", file);
    std::fflush(file);
    EXPECT_EQ(Saved(*watcher), std::vector<std::string>{}) << "a half-written save";
    std::fputs("End #4.0\n", file);
    std::fclose(file);
    EXPECT_EQ(Saved(*watcher), std::vector<std::string>{script});
    EXPECT_EQ(Saved(*watcher), std::vector<std::string>{}) << "reported twice";

    // Written elsewhere and renamed into place; another file of the folder
    // saved meanwhile is not reported.
    std::FILE* temporary = std::fopen((script + ".new").c_str(), "w");
    ASSERT_NE(temporary, nullptr);
    std::fputs("End #8.0\n", temporary);
    std::fclose(temporary);
    std::FILE* unwatched = std::fopen(other.c_str(), "w");
    ASSERT_NE(unwatched, nullptr);
    std::fclose(unwatched);
    EXPECT_EQ(Saved(*watcher), std::vector<std::string>{});
    std::filesystem::rename(script + ".new", script);
    EXPECT_EQ(Saved(*watcher), std::vector<std::string>{script});

    // The folder gone: notices are lost, which the caller hears of.
    std::filesystem::remove_all(folder);
    bool whole = true;
    Saved(*watcher, &whole);
    EXPECT_FALSE(whole);
}

}  // namespace
