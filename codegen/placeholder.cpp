// Replaced by the service implementation.
