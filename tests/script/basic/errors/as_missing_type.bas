dim a as
