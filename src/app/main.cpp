// Composition root: written once the windows land.
int main() { return 0; }
