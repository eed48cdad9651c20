// Filled in with the recording devices.
