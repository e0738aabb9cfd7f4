/* Path helpers, exported by the executable under these exact names. */
#ifndef GFSTDLIB_H
#define GFSTDLIB_H

#ifdef __cplusplus
extern "C" {
#endif

char *pathOf(const char *path);
char *filenameOf(const char *path);
int mv(const char *src, const char *dst);

#ifdef __cplusplus
}
#endif

#endif
