// placeholder; the harness is filled in with the start-up
