/* Extraction of the demo's archives into the working directory. */
#ifndef MINIUNZ_H
#define MINIUNZ_H

#include <minizip/unzip.h>

int muExtrFile1(void);
int muExtrFile2(void);
int do_extract_currentfile(unzFile uf);
int mymkdir(const char *dirname);

#endif
