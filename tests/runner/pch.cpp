// Makes the test programs' shared precompiled header; it does nothing itself.
int main()
{
    return 0;
}
