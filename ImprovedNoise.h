/* Three-dimensional improved gradient noise. */
#ifndef IMPROVEDNOISE_H
#define IMPROVEDNOISE_H

double noise(double x, double y, double z);

#endif
