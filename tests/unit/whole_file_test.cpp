// The one whole-file writer that every save goes through, against a folder
// where someone planted links and files at its temporary names.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "files/flythrough_text.h"
#include "files/geometry_text.h"
#include "files/png_file.h"
#include "files/terrain_writer.h"
#include "files/whole_file.h"
#include "tests/support/temp_files.h"

namespace {

int names_given = 0;  // temporary names handed out since the test set the letters

// Letters "000000", "000001", ... in turn, so that a test knows the names a
// save will try.
void count_letters(char* letters, int count) {
    char text[16];
    snprintf(text, sizeof text, "%0*d", count, names_given++);
    for (int i = 0; i < count; ++i) letters[i] = text[i];
}

// The same letters every time: every name a save tries is the first one.
void same_letters(char* letters, int count) {
    for (int i = 0; i < count; ++i) letters[i] = '0';
}

std::string temporary_name(int n) {
    char name[64];
    snprintf(name, sizeof name, "%s-%ld-%06d%s", SAVE_TEMPORARY_PREFIX, (long)getpid(), n, SAVE_TEMPORARY_SUFFIX);
    return name;
}

void put(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fputs(text.c_str(), f);
    fclose(f);
}

bool is_link(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Every kind of save, each writing `path` through the whole-file writer.
struct Saver {
    const char* name;  // the file it writes
    std::function<bool(const std::string& path, char* error, size_t size)> save;
};

std::vector<Saver> every_saver() {
    static TerrainVertex vertices[3] = {{0, 0, 0, 0, 0, {0}, 1, 0, 1, 0},
                                        {1, 0, 0, 1, 0, {0}, 1, 0, 1, 0},
                                        {0, 0, 1, 0, 1, {0}, 1, 0, 1, 0}};
    static TerrainFace face = {{{1, 1, 1}, {3, 3, 3}, {2, 2, 2}}, 0, 1, 0};
    static float samples[4][FLYTHROUGH_CAPACITY] = {{10}, {0.5f}, {20}, {-0.25f}};
    static float eye[3] = {1, 2, 3}, target[3] = {1, 2, 2};
    static GeometryItem item = {GEOMETRY_BILLBOARD, 1, 2, 3, 0, 0, 0, 2, 5};
    static const unsigned char pixel[3] = {200, 100, 50};
    return {
        {"dump.dem",
         [](const std::string& path, char* error, size_t size) {
             return write_terrain_mesh(path.c_str(), vertices, 3, &face, 1, nullptr, error, size);
         }},
        {"tour.flt",
         [](const std::string& path, char* error, size_t size) {
             FlythroughArrays a{samples[0], samples[1], samples[2], samples[3], eye, target};
             return write_flythrough_text(path.c_str(), a, 1, error, size);
         }},
        {"flags.vec",
         [](const std::string& path, char* error, size_t size) {
             return write_geometry_text(path.c_str(), &item, 1, error, size);
         }},
        {"shot.png",
         [](const std::string& path, char* error, size_t size) {
             return write_png_file(path.c_str(), pixel, 1, 1, 3, false, error, size);
         }},
    };
}

}  // namespace

TEST(WholeFile, LinksAndFilesPlantedAtTheTemporaryNamesAreNeverWrittenThrough) {
    for (const Saver& saver : every_saver()) {
        SCOPED_TRACE(saver.name);
        std::string outside = make_temp_dir(), dir = make_temp_dir();
        std::string secret = outside + "/secret", target = dir + "/" + saver.name;
        put(secret, "keep me");
        put(target, "the old file");
        // The first three names the save will try: a link to a file outside,
        // a link to a name outside that does not exist yet, a plain file.
        ASSERT_EQ(symlink(secret.c_str(), (dir + "/" + temporary_name(0)).c_str()), 0);
        ASSERT_EQ(symlink((outside + "/created").c_str(), (dir + "/" + temporary_name(1)).c_str()), 0);
        put(dir + "/" + temporary_name(2), "planted");

        names_given = 0;
        set_temporary_letters_for_test(count_letters);
        char error[512] = "";
        bool saved = saver.save(target, error, sizeof error);
        set_temporary_letters_for_test(nullptr);
        ASSERT_TRUE(saved) << error;

        EXPECT_EQ(names_given, 4);  // three taken names, then a free one
        EXPECT_NE(read_file(target), "the old file");
        EXPECT_FALSE(is_link(target));
        EXPECT_EQ(files_in(outside), std::vector<std::string>{"secret"});
        EXPECT_EQ(read_file(secret), "keep me");
        EXPECT_TRUE(is_link(dir + "/" + temporary_name(0)));
        EXPECT_TRUE(is_link(dir + "/" + temporary_name(1)));
        EXPECT_EQ(read_file(dir + "/" + temporary_name(2)), "planted");
        EXPECT_EQ(files_in(dir).size(), 4u);  // the target and the three planted names, no temporary of ours

        // When every name it tries is taken, the save fails and changes nothing.
        const std::string written = read_file(target);
        set_temporary_letters_for_test(same_letters);
        saved = saver.save(target, error, sizeof error);
        set_temporary_letters_for_test(nullptr);
        EXPECT_FALSE(saved);
        EXPECT_NE(std::string(error).find("Cannot create " + target), std::string::npos) << error;
        EXPECT_EQ(read_file(target), written);
        EXPECT_EQ(read_file(secret), "keep me");
        EXPECT_EQ(files_in(outside), std::vector<std::string>{"secret"});
        EXPECT_EQ(files_in(dir).size(), 4u);
    }
}

TEST(WholeFile, AFailedSaveLeavesTheOldFileByteForByte) {
    std::string dir = make_temp_dir(), target = dir + "/dump.dem";
    put(target, "the old file");
    // A number the loader could not read back refuses the dump after part of it was written.
    TerrainVertex far = {1e30f, -1e30f, 1e30f, 0, 0, {0}, 0, 0, 0, 0};
    char error[512] = "";
    EXPECT_FALSE(write_terrain_mesh(target.c_str(), &far, 1, nullptr, 0, nullptr, error, sizeof error));
    EXPECT_NE(std::string(error).find("vertex 1"), std::string::npos) << error;
    EXPECT_EQ(read_file(target), "the old file");
    EXPECT_EQ(files_in(dir), std::vector<std::string>{"dump.dem"});

    // A folder that does not exist takes nothing.
    EXPECT_FALSE(write_terrain_mesh((dir + "/none/dump.dem").c_str(), &far, 0, nullptr, 0, nullptr, error,
                                    sizeof error));
    EXPECT_NE(std::string(error).find("No such file or directory"), std::string::npos) << error;

    // A save begun and abandoned leaves no temporary file.
    WholeFile out;
    ASSERT_TRUE(begin_whole_file(target.c_str(), &out, error, sizeof error)) << error;
    append_whole_file(&out, "new", 3);
    EXPECT_EQ(files_in(dir).size(), 2u);
    discard_whole_file(&out);
    discard_whole_file(&out);
    EXPECT_EQ(files_in(dir), std::vector<std::string>{"dump.dem"});
    EXPECT_EQ(read_file(target), "the old file");
}

TEST(TerrainWriter, NumbersComeOutAsPrintfWritesThem) {
    char ours[400], theirs[400];
    auto same = [&](double v, int decimals) {
        *format_fixed(ours, v, decimals) = '\0';
        snprintf(theirs, sizeof theirs, "%.*f", decimals, v);
        return std::string(ours) == theirs;
    };
    // Ties resolve to even, as printf resolves them, and so do products that
    // only look like ties once rounded; a negative zero keeps its sign.
    for (double v : {0.0, -0.0, 0.0078125, 0.0234375, 1.0005, 2.5e-7, -0.0000004, 0.125, 1e12, 3e15, 1e300})
        for (int d : {0, 3, 6}) EXPECT_TRUE(same(v, d)) << v << " " << d << ": " << ours << " " << theirs;
    unsigned long state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 6364136223846793005ul + 1442695040888963407ul;
        const int decimals = i % 2 ? 6 : 3;
        // Floats (the dump's numbers), multiples of small powers of two, and doubles of every size.
        const float f = (float)((long)(state >> 20) % 20000000) / (float)(1 << (state % 24));
        const double d = (double)(long)(state >> 11) / (double)(1ul << (state % 60));
        ASSERT_TRUE(same(f, decimals)) << f << ": " << ours << " " << theirs;
        ASSERT_TRUE(same(i % 3 ? d : -d, decimals)) << d << ": " << ours << " " << theirs;
    }
}

TEST(TerrainWriter, AGridComesOutAsTheLoaderReadsItWithoutNegativeZeros) {
    static const double heights[] = {-0.0004, 99999999.9996, -1.0005, 2.5};
    auto read_row = [](int row, double* out, void*) {
        out[0] = heights[2 * row];
        out[1] = heights[2 * row + 1];
    };
    std::string path = make_temp_dir() + "/grid.dem";
    char error[512] = "";
    WholeFile out;
    ASSERT_TRUE(begin_whole_file(path.c_str(), &out, error, sizeof error)) << error;
    ASSERT_TRUE(write_grid_terrain(&out, TerrainGrid{2, 2, -0.0001, 10.0, -5.0, 0.0, read_row, nullptr}, nullptr,
                                   nullptr));
    ASSERT_TRUE(finish_whole_file(&out, error, sizeof error)) << error;
    EXPECT_EQ(read_file(path),
              "v 0.000 0.000 -5.000\n"
              "v 10.000 100000000.000 -5.000\n"
              "v 0.000 -1.000 0.000\n"
              "v 10.000 2.500 0.000\n"
              "vt 0.000000 1.000000\n"
              "vt 1.000000 1.000000\n"
              "vt 0.000000 0.000000\n"
              "vt 1.000000 0.000000\n"
              "f 1/1/1 4/4/4 2/2/2\n"
              "f 1/1/1 3/3/3 4/4/4\n");
    // A height the loader's lines cannot hold is refused.
    static const double too_high[] = {0, 0, 0, LARGEST_COORDINATE};
    auto read_high = [](int row, double* out, void*) {
        out[0] = too_high[2 * row];
        out[1] = too_high[2 * row + 1];
    };
    ASSERT_TRUE(begin_whole_file(path.c_str(), &out, error, sizeof error)) << error;
    EXPECT_FALSE(write_grid_terrain(&out, TerrainGrid{2, 2, 0, 1, 0, 1, read_high, nullptr}, nullptr, nullptr));
    discard_whole_file(&out);
}

TEST(WholeFile, AFileNoOneMayWriteIsRefusedAndAReplacedFileKeepsItsMode) {
    for (const Saver& saver : every_saver()) {
        SCOPED_TRACE(saver.name);
        std::string dir = make_temp_dir(), target = dir + "/" + saver.name;
        put(target, "the old file");
        // Read-only for everyone: a plain write would be refused, so the
        // rename must not go round that (the superuser's saves included).
        ASSERT_EQ(chmod(target.c_str(), 0444), 0);
        char error[512] = "";
        EXPECT_FALSE(saver.save(target, error, sizeof error));
        EXPECT_NE(std::string(error).find("Cannot replace " + target + ": it is read-only"), std::string::npos)
            << error;
        struct stat info;
        ASSERT_EQ(stat(target.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0444u);
        EXPECT_EQ(read_file(target), "the old file");
        EXPECT_EQ(files_in(dir), std::vector<std::string>{saver.name});

        // A file others may only read stays so once replaced.
        ASSERT_EQ(chmod(target.c_str(), 0640), 0);
        ASSERT_TRUE(saver.save(target, error, sizeof error)) << error;
        ASSERT_EQ(stat(target.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        EXPECT_NE(read_file(target), "the old file");

        // A new file gets the usual mode.
        const mode_t mask = umask(022);
        ASSERT_TRUE(saver.save(dir + "/new", error, sizeof error)) << error;
        umask(mask);
        ASSERT_EQ(stat((dir + "/new").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0644u);
    }
}

TEST(WholeFile, StaleTemporariesAreSweptAndEverythingElseStays) {
    // A process that has ended, and so names no running process.
    pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) _exit(0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);

    std::string dir = make_temp_dir(), outside = make_temp_dir();
    auto name = [](long pid, const char* letters) {
        return std::string(SAVE_TEMPORARY_PREFIX) + "-" + std::to_string(pid) + "-" + letters + SAVE_TEMPORARY_SUFFIX;
    };
    put(dir + "/" + name(gone, "Abc123"), "left by kill -9");
    put(dir + "/" + name(getpid(), "Abc123"), "a save of this process");
    put(dir + "/" + name(1, "Abc123"), "a save of a running process");
    put(dir + "/" + name(gone, "Abc12"), "not a name of ours");
    put(dir + "/.kestrolane-x-Abc123.tmp", "not a name of ours");
    put(dir + "/Grand_Tour.flt", "a flight");
    put(outside + "/target", "outside");
    ASSERT_EQ(symlink((outside + "/target").c_str(), (dir + "/" + name(gone, "Link00")).c_str()), 0);
    ASSERT_EQ(mkdir((dir + "/" + name(gone, "Fold00")).c_str(), 0755), 0);
    const std::vector<std::string> before = files_in(dir);

    EXPECT_EQ(sweep_stale_saves(dir.c_str()), 1);
    std::vector<std::string> expected;
    for (const std::string& n : before)
        if (n != name(gone, "Abc123")) expected.push_back(n);
    EXPECT_EQ(files_in(dir), expected);
    EXPECT_EQ(read_file(outside + "/target"), "outside");
    EXPECT_EQ(sweep_stale_saves(dir.c_str()), 0);

    // The renderer's helper files in the temporary folder, by their own prefix.
    put(dir + "/kestrolane-xauth-" + std::to_string(gone) + "-Abc123", "key");
    EXPECT_EQ(sweep_stale_temporaries(dir.c_str(), "kestrolane-ffmpeg", ""), 0);
    EXPECT_EQ(sweep_stale_temporaries(dir.c_str(), "kestrolane-xauth", ""), 1);
}

TEST(WholeFile, ALargeFileComesOutWholeAcrossItsBlocks) {
    std::string dir = make_temp_dir(), target = dir + "/large";
    std::string expected;
    char error[512] = "";
    WholeFile out;
    ASSERT_TRUE(begin_whole_file(target.c_str(), &out, error, sizeof error)) << error;
    for (int i = 0; expected.size() < 3 * WHOLE_FILE_BLOCK; ++i) {
        char line[64];
        const int n = snprintf(line, sizeof line, "line %d\n", i);
        if (i % 3 == 0) {
            print_whole_file(&out, "line %d\n", i);
        } else if (i % 3 == 1) {
            append_whole_file(&out, line, (size_t)n);
        } else {
            char* at = reserve_whole_file(&out, (size_t)n);
            memcpy(at, line, (size_t)n);
            advance_whole_file(&out, at + n);
        }
        expected.append(line, (size_t)n);
        if (i == 1000) {  // one large piece across a block's end
            std::string piece(WHOLE_FILE_BLOCK + 12345, 'x');
            append_whole_file(&out, piece.data(), piece.size());
            expected += piece;
        }
    }
    ASSERT_TRUE(finish_whole_file(&out, error, sizeof error)) << error;
    EXPECT_EQ(out.size, (long long)expected.size());
    EXPECT_TRUE(read_file(target) == expected);
    EXPECT_EQ(files_in(dir), std::vector<std::string>{"large"});
}

// A full disk: a small file system of its own, mounted in a child that has
// a mount namespace of its own (where that is not allowed the case is skipped).
TEST(WholeFile, AFullDiskIsNamedAndLeavesTheOldFile) {
    std::string dir = make_temp_dir();
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(report[0]);
        auto say = [&](const std::string& text) {
            if (write(report[1], text.data(), text.size()) < 0) _exit(3);
        };
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0) {
            say("skip");
            _exit(0);
        }
        const std::string shot = dir + "/shot.png";
        FILE* f = fopen(shot.c_str(), "wb");
        fputs("the old picture", f);
        fclose(f);
        // Noise does not compress: far more than the 64 KB there is room for.
        std::vector<unsigned char> pixels(256 * 256 * 3);
        unsigned state = 1;
        for (unsigned char& p : pixels) p = (unsigned char)((state = state * 1103515245u + 12345u) >> 16);
        char error[512] = "";
        const bool written = write_png_file(shot.c_str(), pixels.data(), 256, 256, 3, false, error, sizeof error);
        say(std::string(written ? "written" : error) + "\n" + read_file(shot) + "\n" +
            std::to_string(files_in(dir).size()));
        _exit(0);
    }
    close(report[1]);
    std::string said;
    char buffer[1024];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) said.append(buffer, (size_t)n);
    close(report[0]);
    waitpid(child, nullptr, 0);
    if (said == "skip") GTEST_SKIP() << "no mount namespace here for a small file system";
    EXPECT_EQ(said, "Cannot write " + dir + "/shot.png: No space left on device\nthe old picture\n1");
}
