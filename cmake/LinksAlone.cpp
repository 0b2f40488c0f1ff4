// Does nothing: a folder's library is linked whole into it, with only the folders below that
// one, to prove that the folder needs nothing from above.
int main() { return 0; }
