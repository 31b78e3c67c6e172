// A file system with the latency of a file server, for latency_compare.sh: it
// mirrors a backing directory and sleeps a fixed time at the start of every
// call it serves (lookup, getattr, mkdir, opendir, readdir, open, read,
// release, ...), as a Samba or NFS share costs a network round trip for each.
// The calls are served by a pool of threads, so that calls made at the same
// time wait at the same time, as they do on a share; the kernel keeps its
// default caching (entries and attributes for one second), as a client with
// attribute caching does. A lookup is one call (getattr), a directory read
// one call per kernel buffer, the last finding nothing; a mkdir is two, since
// libfuse looks at what it made (as a Samba client does after its create).
//
// Usage: edamaki_latency_fs BACKING MOUNTPOINT [-f] [-o delay_us=N] [FUSE options]
//
//   BACKING        the directory mirrored; everything is done relative to one
//                  descriptor of it (openat, mkdirat, fstatat, ...). It must
//                  not be the mount point or below it.
//   -o delay_us=N  the time each call sleeps first, in microseconds (default
//                  1000; 0 gives a plain pass-through)
//   -f             stay in the foreground (else it detaches once mounted)
//
// Up to 64 calls are served at once unless -o max_threads=N says otherwise;
// the other options are libfuse's (-d for a trace of every call). Unmount with
// fusermount3 -u MOUNTPOINT. Needs /dev/fuse and the right to mount it (root,
// or fusermount3 for a user).
//
// With libfuse before 3.16 (Debian 12 has 3.14) the kernel never learns that
// lookups may run at once within one folder, and sends a folder's lookups of
// names it has not cached one at a time; lookups in different folders, and
// fresh looks at names it has cached, still run at once. (Folders made in
// one folder are made one at a time on any Linux file system: mkdir locks the
// folder it makes in.)

#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

struct options {
    unsigned delay_us;
    char const* backing;
};

static struct options settings = { .delay_us = 1000, .backing = NULL };
static int backing_fd = -1;

// One round trip to the server.
static void wait_round_trip(void)
{
    if (settings.delay_us == 0)
        return;
    struct timespec pause = {
        .tv_sec = settings.delay_us / 1000000,
        .tv_nsec = (long)(settings.delay_us % 1000000) * 1000,
    };
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &pause, &pause) == EINTR) { }
}

// A mount path ("/a/b") as a path relative to backing_fd ("a/b"; "." for the root).
static char const* relative(char const* path)
{
    while (*path == '/')
        ++path;
    return *path ? path : ".";
}

static int error_or_zero(int result)
{
    return result < 0 ? -errno : 0;
}

static void* latency_init(struct fuse_conn_info* connection, struct fuse_config* config)
{
    // Lookups and directory reads in one folder at the same time, as a share
    // serves them. libfuse before 3.16 never passes this on to the kernel, which
    // then serves a folder's lookups one at a time (in different folders they
    // still run at once); say so, since it makes a parallel run look slower.
    if (connection->capable & FUSE_CAP_PARALLEL_DIROPS)
        connection->want |= FUSE_CAP_PARALLEL_DIROPS;
    if (fuse_version() < 316)
        fprintf(stderr,
            "edamaki_latency_fs: with libfuse %d.%d the kernel looks names up in one folder one at a time\n",
            fuse_version() / 100, fuse_version() % 100);
    // The backing inode numbers, so that a folder's identity is the same
    // through the mount as on the backing directory.
    config->use_ino = 1;
    return NULL;
}

static int latency_getattr(char const* path, struct stat* status, struct fuse_file_info* file)
{
    (void)file;
    wait_round_trip();
    return error_or_zero(fstatat(backing_fd, relative(path), status, AT_SYMLINK_NOFOLLOW));
}

static int latency_access(char const* path, int mask)
{
    wait_round_trip();
    return error_or_zero(faccessat(backing_fd, relative(path), mask, 0));
}

static int latency_readlink(char const* path, char* buffer, size_t size)
{
    wait_round_trip();
    if (size == 0)
        return -EINVAL;
    ssize_t const length = readlinkat(backing_fd, relative(path), buffer, size - 1);
    if (length < 0)
        return -errno;
    buffer[length] = '\0';
    return 0;
}

// A directory open for reading: the stream and where the next entry is.
struct open_directory {
    DIR* stream;
    struct dirent* entry;
    off_t offset;
};

static struct open_directory* directory_of(struct fuse_file_info* file)
{
    return (struct open_directory*)(uintptr_t)file->fh;
}

static int latency_opendir(char const* path, struct fuse_file_info* file)
{
    wait_round_trip();
    int const descriptor = openat(backing_fd, relative(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return -errno;
    struct open_directory* directory = calloc(1, sizeof *directory);
    if (!directory) {
        close(descriptor);
        return -ENOMEM;
    }
    directory->stream = fdopendir(descriptor);
    if (!directory->stream) {
        int const error = errno;
        close(descriptor);
        free(directory);
        return -error;
    }
    file->fh = (uint64_t)(uintptr_t)directory;
    return 0;
}

// Entries from `offset` on, as many as the kernel's buffer takes: each
// getdents64 on the mount is one call here, the last one finding nothing.
static int latency_readdir(char const* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
    struct fuse_file_info* file, enum fuse_readdir_flags flags)
{
    (void)path;
    (void)flags;
    wait_round_trip();
    struct open_directory* directory = directory_of(file);
    if (offset != directory->offset) {
        seekdir(directory->stream, offset);
        directory->entry = NULL;
        directory->offset = offset;
    }
    for (;;) {
        if (!directory->entry) {
            errno = 0;
            directory->entry = readdir(directory->stream);
            if (!directory->entry)
                return errno ? -errno : 0;
        }
        struct stat status;
        memset(&status, 0, sizeof status);
        status.st_ino = directory->entry->d_ino;
        status.st_mode = (mode_t)directory->entry->d_type << 12;
        off_t const next = telldir(directory->stream);
        if (fill(buffer, directory->entry->d_name, &status, next, 0))
            return 0; // the kernel's buffer is full: this entry comes first next time
        directory->entry = NULL;
        directory->offset = next;
    }
}

static int latency_releasedir(char const* path, struct fuse_file_info* file)
{
    (void)path;
    wait_round_trip();
    struct open_directory* directory = directory_of(file);
    closedir(directory->stream);
    free(directory);
    return 0;
}

static int latency_mkdir(char const* path, mode_t mode)
{
    wait_round_trip();
    return error_or_zero(mkdirat(backing_fd, relative(path), mode));
}

static int latency_rmdir(char const* path)
{
    wait_round_trip();
    return error_or_zero(unlinkat(backing_fd, relative(path), AT_REMOVEDIR));
}

static int latency_unlink(char const* path)
{
    wait_round_trip();
    return error_or_zero(unlinkat(backing_fd, relative(path), 0));
}

static int latency_symlink(char const* target, char const* path)
{
    wait_round_trip();
    return error_or_zero(symlinkat(target, backing_fd, relative(path)));
}

static int latency_link(char const* from, char const* to)
{
    wait_round_trip();
    return error_or_zero(linkat(backing_fd, relative(from), backing_fd, relative(to), 0));
}

static int latency_rename(char const* from, char const* to, unsigned int flags)
{
    wait_round_trip();
    return error_or_zero(renameat2(backing_fd, relative(from), backing_fd, relative(to), flags));
}

static int latency_chmod(char const* path, mode_t mode, struct fuse_file_info* file)
{
    (void)file;
    wait_round_trip();
    return error_or_zero(fchmodat(backing_fd, relative(path), mode, 0));
}

static int latency_chown(char const* path, uid_t owner, gid_t group, struct fuse_file_info* file)
{
    (void)file;
    wait_round_trip();
    return error_or_zero(fchownat(backing_fd, relative(path), owner, group, AT_SYMLINK_NOFOLLOW));
}

static int latency_truncate(char const* path, off_t size, struct fuse_file_info* file)
{
    wait_round_trip();
    if (file)
        return error_or_zero(ftruncate((int)file->fh, size));
    int const descriptor = openat(backing_fd, relative(path), O_WRONLY | O_CLOEXEC);
    if (descriptor < 0)
        return -errno;
    int const result = error_or_zero(ftruncate(descriptor, size));
    close(descriptor);
    return result;
}

static int latency_utimens(char const* path, struct timespec const times[2], struct fuse_file_info* file)
{
    (void)file;
    wait_round_trip();
    return error_or_zero(utimensat(backing_fd, relative(path), times, AT_SYMLINK_NOFOLLOW));
}

static int latency_create(char const* path, mode_t mode, struct fuse_file_info* file)
{
    wait_round_trip();
    int const descriptor = openat(backing_fd, relative(path), file->flags | O_CLOEXEC, mode);
    if (descriptor < 0)
        return -errno;
    file->fh = (uint64_t)descriptor;
    return 0;
}

static int latency_open(char const* path, struct fuse_file_info* file)
{
    wait_round_trip();
    int const descriptor = openat(backing_fd, relative(path), file->flags | O_CLOEXEC);
    if (descriptor < 0)
        return -errno;
    file->fh = (uint64_t)descriptor;
    return 0;
}

static int latency_read(
    char const* path, char* buffer, size_t size, off_t offset, struct fuse_file_info* file)
{
    (void)path;
    wait_round_trip();
    ssize_t const count = pread((int)file->fh, buffer, size, offset);
    return count < 0 ? -errno : (int)count;
}

static int latency_write(
    char const* path, char const* buffer, size_t size, off_t offset, struct fuse_file_info* file)
{
    (void)path;
    wait_round_trip();
    ssize_t const count = pwrite((int)file->fh, buffer, size, offset);
    return count < 0 ? -errno : (int)count;
}

static int latency_statfs(char const* path, struct statvfs* status)
{
    (void)path;
    wait_round_trip();
    return error_or_zero(fstatvfs(backing_fd, status));
}

static int latency_flush(char const* path, struct fuse_file_info* file)
{
    (void)path;
    (void)file;
    wait_round_trip();
    return 0;
}

static int latency_release(char const* path, struct fuse_file_info* file)
{
    (void)path;
    wait_round_trip();
    close((int)file->fh);
    return 0;
}

static int latency_fsync(char const* path, int data_only, struct fuse_file_info* file)
{
    (void)path;
    wait_round_trip();
    return error_or_zero(data_only ? fdatasync((int)file->fh) : fsync((int)file->fh));
}

static struct fuse_operations const operations = {
    .init = latency_init,
    .getattr = latency_getattr,
    .access = latency_access,
    .readlink = latency_readlink,
    .opendir = latency_opendir,
    .readdir = latency_readdir,
    .releasedir = latency_releasedir,
    .mkdir = latency_mkdir,
    .rmdir = latency_rmdir,
    .unlink = latency_unlink,
    .symlink = latency_symlink,
    .link = latency_link,
    .rename = latency_rename,
    .chmod = latency_chmod,
    .chown = latency_chown,
    .truncate = latency_truncate,
    .utimens = latency_utimens,
    .create = latency_create,
    .open = latency_open,
    .read = latency_read,
    .write = latency_write,
    .statfs = latency_statfs,
    .flush = latency_flush,
    .release = latency_release,
    .fsync = latency_fsync,
};

static struct fuse_opt const option_table[] = {
    { "delay_us=%u", offsetof(struct options, delay_us), 0 },
    FUSE_OPT_END,
};

// The first argument that is no option is the backing directory; the second,
// the mount point, goes on to libfuse.
static int take_argument(void* data, char const* argument, int key, struct fuse_args* arguments)
{
    (void)data;
    (void)arguments;
    if (key == FUSE_OPT_KEY_NONOPT && !settings.backing) {
        settings.backing = argument;
        return 0;
    }
    return 1;
}

int main(int argc, char* argv[])
{
    struct fuse_args arguments = FUSE_ARGS_INIT(argc, argv);
    if (fuse_opt_parse(&arguments, &settings, option_table, take_argument) != 0)
        return 2;
    if (!settings.backing) {
        fprintf(stderr,
            "usage: %s BACKING MOUNTPOINT [-f] [-o delay_us=N] [FUSE options]\n"
            "Mirrors BACKING at MOUNTPOINT, sleeping N microseconds (default 1000) in every call.\n",
            argv[0]);
        fuse_opt_free_args(&arguments);
        return 2;
    }
    backing_fd = open(settings.backing, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (backing_fd < 0) {
        perror(settings.backing);
        fuse_opt_free_args(&arguments);
        return 2;
    }
    // Enough threads for every call a parallel run makes at once, kept once
    // started; an -o max_threads given on the command line comes later and wins.
    if (fuse_opt_insert_arg(&arguments, 1, "-omax_threads=64,max_idle_threads=64") != 0) {
        fuse_opt_free_args(&arguments);
        return 2;
    }
    // Files are created with the modes asked for.
    umask(0);
    int const status = fuse_main(arguments.argc, arguments.argv, &operations, NULL);
    fuse_opt_free_args(&arguments);
    close(backing_fd);
    return status;
}
