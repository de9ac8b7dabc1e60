// Placeholder so a target always has a source.
