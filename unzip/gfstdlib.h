/* Path helpers, exported by the executable under these exact names. */
#ifndef GFSTDLIB_H
#define GFSTDLIB_H

#ifdef __cplusplus
extern "C" {
#endif

/* The directory part of path (before its last '/' or '\'), as a new string
 * the caller frees; empty when there is none or it is the root. */
char *pathOf(const char *path);
/* The part of path after its last '/' or '\', as a new string the caller
 * frees. */
char *filenameOf(const char *path);

/* Results of mv: 0 only when every byte was copied and the source removed.
 * The source is never removed unless the destination was written and closed
 * cleanly. */
enum {
  MV_OK = 0,
  MV_NO_SOURCE = 1,      /* the source cannot be opened */
  MV_NO_DESTINATION = 2, /* the destination cannot be opened */
  MV_READ_FAILED = 3,    /* reading the source failed; source kept */
  MV_WRITE_FAILED = 4,   /* a write or the destination's close failed; source kept */
  MV_NOT_REMOVED = 5,    /* copied completely, but the source could not be removed */
  MV_SAME_FILE = 6       /* source and destination are one file; nothing done */
};
/* Moves src to dst by copying and removing src. */
int mv(const char *src, const char *dst);

#ifdef __cplusplus
}
#endif

#endif
