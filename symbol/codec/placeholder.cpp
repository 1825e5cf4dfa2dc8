// Replaced by the codec implementation.
