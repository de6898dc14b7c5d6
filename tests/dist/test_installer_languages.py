#!/usr/bin/python3
"""The installer's texts in installer/lang/: every language the setup offers has its file, every
file sets exactly English's strings for its own language, and each translation keeps English's
placeholders (${PRODUCT}) and line breaks ($\\r$\\n) in number. A missing string already fails
the build (makensis -WX); a lost placeholder or a string set for the wrong language would not.

    test_installer_languages.py       (ctest: installer_languages)
"""
import os
import re
import unittest

INSTALLER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "installer")
LANG_STRING = re.compile(r'^LangString\s+(\w+)\s+\$\{LANG_(\w+)\}\s+"(.*)"\s*$')
MARKS = (r"${PRODUCT}", r"$\r$\n", "%")


def offered_languages():
    with open(os.path.join(INSTALLER, "WindowVeilbox.nsi"), encoding="utf-8") as f:
        return re.findall(r'^!insertmacro VB_LANGUAGE "(\w+)"', f.read(), re.M)


def strings(language):
    """{name: (language constant, text)} of one language file."""
    found = {}
    with open(os.path.join(INSTALLER, "lang", language + ".nsh"), encoding="utf-8") as f:
        for line in f:
            match = LANG_STRING.match(line)
            if match:
                name, constant, text = match.groups()
                assert name not in found, "%s set twice in %s" % (name, language)
                found[name] = (constant, text)
    return found


class InstallerLanguages(unittest.TestCase):
    def test_the_seven_languages_are_offered_with_english_first(self):
        self.assertEqual(offered_languages(), ["English", "German", "French", "Spanish", "Japanese",
                                               "SimpChinese", "Russian"])
        files = sorted(name[:-4] for name in os.listdir(os.path.join(INSTALLER, "lang")))
        self.assertEqual(files, sorted(offered_languages()))

    def test_each_language_sets_every_string_with_the_same_placeholders(self):
        english = strings("English")
        self.assertTrue(english)
        for language in offered_languages():
            translated = strings(language)
            with self.subTest(language):
                self.assertEqual(sorted(translated), sorted(english))
                for name, (constant, text) in translated.items():
                    self.assertEqual(constant, language.upper(), name)
                    self.assertNotEqual(text.strip(), "", name)
                    for mark in MARKS:
                        self.assertEqual(text.count(mark), english[name][1].count(mark), (name, mark))
                    if language != "English":
                        self.assertNotEqual(text, english[name][1], "%s is not translated" % name)


if __name__ == "__main__":
    unittest.main(verbosity=2)
