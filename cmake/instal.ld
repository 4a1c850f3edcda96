/* The program's linker script: i686-w64-mingw32-ld's default script
   (ld --verbose) with fewer output sections. The file is aligned to pages
   (see CMakeLists.txt), so every section ends in up to a page of padding.
   Each input section keeps the protection it has in the default layout,
   but for the exception tables, which are only read: .rdata takes the
   read-only .eh_frame and .gcc_except_table (which the default keeps in
   .text); .data takes the writable import tables, C runtime tables and
   TLS template. .rsrc and .reloc stay
   sections of their own: the loader finds the resources and relocations
   by them, and Wine maps the carried files straight from .rsrc. Debug and
   stabs sections are left out: the program is linked stripped. */
OUTPUT_FORMAT(pei-i386)
SEARCH_DIR("/usr/i686-w64-mingw32/lib");
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + (__section_alignment__ < 0x1000 ? . : __section_alignment__) :
  {
    KEEP (*(SORT_NONE(.init)))
    *(.text)
    *(SORT(.text$*))
    *(.text.*)
    *(.gnu.linkonce.t.*)
    *(.glue_7t)
    *(.glue_7)
    /* Defined here, not PROVIDEd: libgcc's ctors.o has them as common
       symbols that these must override (see the default script). */
    ___CTOR_LIST__ = .;
    __CTOR_LIST__ = .;
    LONG (-1);
    KEEP (*(.ctors));
    KEEP (*(.ctor));
    KEEP (*(SORT_BY_NAME(.ctors.*)));
    LONG (0);
    ___DTOR_LIST__ = .;
    __DTOR_LIST__ = .;
    LONG (-1);
    KEEP (*(.dtors));
    KEEP (*(.dtor));
    KEEP (*(SORT_BY_NAME(.dtors.*)));
    LONG (0);
    KEEP (*(SORT_NONE(.fini)))
    *(.gcc_exc)
    PROVIDE (etext = .);
    PROVIDE (_etext = .);
  }
  .data BLOCK(__section_alignment__) :
  {
    __data_start__ = .;
    *(.data)
    *(.data2)
    *(SORT(.data$*))
    KEEP (*(.jcr))
    __data_end__ = .;
    *(.data_cygwin_nocopy)

    /* The default .idata. Without a section of that name, ld takes the
       import directory and the import address table from these symbols,
       as addresses relative to the image. */
    ".idata$2" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    /* These zeroes mark the end of the import list. */
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    ".idata$4" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$4))
    __IAT_start__ = .;
    ".idata$5" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$5))
    __IAT_end__ = .;
    ".idata$6" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$6))
    KEEP (SORT(*)(.idata$7))

    /* The default .CRT, with the TLS initialisers (.CRT$XD*) that the
       default script leaves to orphan placement. */
    ___crt_xc_start__ = .;
    KEEP (*(SORT(.CRT$XC*)))  /* C initialization */
    ___crt_xc_end__ = .;
    KEEP (*(SORT(.CRT$XD*)))  /* TLS initialization */
    ___crt_xi_start__ = .;
    KEEP (*(SORT(.CRT$XI*)))  /* C++ initialization */
    ___crt_xi_end__ = .;
    ___crt_xl_start__ = .;
    KEEP (*(SORT(.CRT$XL*)))  /* TLS callbacks */
    /* ___crt_xl_end__ is defined in the TLS Directory support code */
    ___crt_xp_start__ = .;
    KEEP (*(SORT(.CRT$XP*)))  /* Pre-termination */
    ___crt_xp_end__ = .;
    ___crt_xt_start__ = .;
    KEEP (*(SORT(.CRT$XT*)))  /* Termination */
    ___crt_xt_end__ = .;

    /* The default .tls: .tls$AAA first and .tls$ZZZ last. */
    ___tls_start__ = .;
    KEEP (*(.tls$AAA))
    KEEP (*(.tls))
    KEEP (*(.tls$))
    KEEP (*(SORT(.tls$*)))
    KEEP (*(.tls$ZZZ))
    ___tls_end__ = .;
  }
  .rdata BLOCK(__section_alignment__) :
  {
    *(.rdata)
    *(SORT(.rdata$*))
    . = ALIGN(4);
    __rt_psrelocs_start = .;
    KEEP (*(.rdata_runtime_pseudo_reloc))
    __rt_psrelocs_end = .;
    /* The default .eh_frame, in the same order: crtbegin.o's part, where
       the unwinder's search starts, before crtend.o's terminator. */
    KEEP (*(.eh_frame*))
    /* The exception tables the unwind tables point to, read-only data
       like them (the default script keeps them in .text). */
    KEEP (*(.gcc_except_table))
  }
  __rt_psrelocs_size = __rt_psrelocs_end - __rt_psrelocs_start;
  ___RUNTIME_PSEUDO_RELOC_LIST_END__ = __rt_psrelocs_end;
  __RUNTIME_PSEUDO_RELOC_LIST_END__ = __rt_psrelocs_end;
  ___RUNTIME_PSEUDO_RELOC_LIST__ = __rt_psrelocs_start;
  __RUNTIME_PSEUDO_RELOC_LIST__ = __rt_psrelocs_start;
  /* The program's stand-in for the runtime's relocator does nothing. */
  ASSERT (__rt_psrelocs_size == 0, "runtime pseudo relocations need the runtime's relocator: import the data explicitly (__declspec(dllimport))")
  .pdata BLOCK(__section_alignment__) :
  {
    KEEP (*(.pdata*))
  }
  .bss BLOCK(__section_alignment__) :
  {
    __bss_start__ = .;
    *(.bss)
    *(COMMON)
    __bss_end__ = .;
  }
  .edata BLOCK(__section_alignment__) :
  {
    *(.edata)
  }
  /DISCARD/ :
  {
    *(.debug$S)
    *(.debug$T)
    *(.debug$F)
    *(.drectve)
    *(.note.GNU-stack)
    *(.gnu.lto_*)
  }
  .endjunk BLOCK(__section_alignment__) :
  {
    /* end is deprecated, don't use it */
    PROVIDE (end = .);
    PROVIDE (_end = .);
    __end__ = .;
  }
  .rsrc BLOCK(__section_alignment__) : SUBALIGN(4)
  {
    KEEP (*(.rsrc))
    KEEP (*(.rsrc$*))
  }
  .reloc BLOCK(__section_alignment__) :
  {
    *(.reloc)
  }
}
