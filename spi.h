/* The spiral scene. */
#ifndef SPI_H
#define SPI_H

void spi(int state);

#endif
