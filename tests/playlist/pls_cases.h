#pragma once
// PLS files on which the profile functions have rules of their own: the reader must take them
// as the system does.
#include <string>
#include <vector>

namespace korvo::test {

struct PlsCase {
    const char* name;
    std::string text;
};

inline std::vector<PlsCase> trickyPlsFiles() {
    const std::string longValue(1500, 'x');
    const std::string quotedFull = "\"" + std::string(1023, 'q') + "\"";   // fills 1024 bytes exactly
    const std::string quotedShort = "\"" + std::string(1022, 'q') + "\"";
    return {
        {"case", "[PlayList]\r\nFILE1=a\r\nfile2=b\r\nNumberofentries=2\r\n"},
        {"repeated", "[playlist]\nFile1=first\nfile1=second\nFile2\nFile2=x\nNumberOfEntries=2\nNumberOfEntries=5\n"},
        {"blanks", "  [playlist]  \n\t File1 \t=\t  spaced value \t \n File2 =\n\v\f\x1a\nFile3=\x1a z\x1a\n"},
        {"section name", "[ \tplaylist ]\nFile1=a\n"},
        {"section tail", "[playlist] tail\nFile1=a\n"},
        {"brackets", "[playlist]x]\nFile1=a\n[[playlist]\nFile2=b\n[playlist\nFile3=c\n[]\nFile4=d\n"},
        {"second section", "[playlist]\nFile1=a\n[other]\nFile2=c\n[PLAYLIST]\nFile2=b\nFile1=z\n"},
        {"before section", "File1=orphan\n[playlist]\nFile2=b\n"},
        {"long", "[playlist]\nFile1=" + longValue + "\n"},
        {"quotes", "[playlist]\nFile1=\"dq\"\nFile2='sq'\nFile3=\"mixed'\nFile4=\"\nFile5=\"\"\nFile6=\"a\"b\"\n"
                   "File7= \" padded \" \nFile8=" + quotedFull + "\nFile9=" + quotedShort + "\n"},
        {"line breaks", "[playlist]\rFile1=a\rFile2=b\r\n\r\nFile3=c\n\rFile4=d\r\nFile5=e\rf\nFile6=g"},
        {"no last break", "[playlist]\nFile1=last"},
        {"byte order mark", "\xEF\xBB\xBF[playlist]\nFile1=a\n"},
        {"equals", "[playlist]\n=novalue\nFile1==eq\nFile2 = a = b\nFile 3=c\nFile03=d\n"},
        {"comments", "[playlist]\n;File1=c\nFile1=;a\n#File2=x\n"},
        // UTF-8, the program's code page: the system turns bytes that are not into U+FFFD, where
        // this reader keeps them for the list to read as Latin-1.
        {"high bytes", "[playlist]\nFile1=\xc3\xa9t\xc3\xa9\xc2\xa0\nFile2=\xe6\x97\xa5\xc2\x81\nFile3=\xf0\x9f\x8e\xb5\n"},
        {"numbers", "[playlist]\nFile1= 0x10 \nFile2=\"12\"\nFile3=12abc\nFile4=-3\nFile5=0X1f\nFile6=0b101\n"
                    "File7=0o17\nFile8=99999999999\nFile9=123456789012345678901234567890123456789\n"
                    "NumberOfEntries=- 4\n"},
    };
}

// The keys asked for in every case, and the buffer sizes they are read into.
inline const std::vector<std::string>& plsCaseKeys() {
    static const std::vector<std::string> keys = {"File1", "File2", "File3", "File4", "File5", "File6",
                                                  "File7", "File8", "File9", "file1", " FILE2 ", "NumberOfEntries"};
    return keys;
}
inline const std::vector<size_t>& plsCaseSizes() {
    static const std::vector<size_t> sizes = {1024, 260, 5, 4, 2, 1};
    return sizes;
}

} // namespace korvo::test
