// Placeholder until the desk page lands.
