/* Common definitions of the gl4d platform layer: C linkage and symbol
 * visibility for everything the demo calls. */
#ifndef GL4D_API_H
#define GL4D_API_H

#include <epoxy/gl.h>

#ifdef __cplusplus
#  define GL4D_EXTERN_C extern "C"
#  define GL4D_BEGIN_DECLS extern "C" {
#  define GL4D_END_DECLS }
#else
#  define GL4D_EXTERN_C
#  define GL4D_BEGIN_DECLS
#  define GL4D_END_DECLS
#endif

#define GL4D_API __attribute__((visibility("default")))

#endif
