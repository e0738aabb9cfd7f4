/* The credits roll. */
#ifndef CREDITS_H
#define CREDITS_H

void credits(int state);

#endif
