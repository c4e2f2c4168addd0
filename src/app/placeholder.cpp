// replaced by the start-up sequence
