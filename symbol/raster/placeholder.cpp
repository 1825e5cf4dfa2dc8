// Replaced by the raster implementation.
