// Program entry of the GUI program.
int main() { return 0; }
